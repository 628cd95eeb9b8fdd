#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace hm {

// The first bytes of a regular file mapped read-only, its pages loaded when mapped, so a pass
// over them costs neither a copy nor a page fault.
//
// Another program may cut the file short while it is mapped. Touching a page past the new end
// would then end the process with SIGBUS; instead such pages read as zero bytes from then on,
// and intact() says the bytes can no longer be trusted.
class MappedFile {
 public:
  // When the file's pages are read: all as it is mapped, for passes over the whole file, or each
  // when first touched, for a few pieces of a large one.
  enum class Loading { AtOnce, OnTouch };

  // Maps `length` (> 0) bytes of the open regular file `fd` and takes the descriptor, which
  // stays open so intact() can measure the file again. Nothing when the file cannot be mapped,
  // `fd` then still the caller's.
  static std::unique_ptr<MappedFile> map(int fd, std::size_t length,
                                         Loading loading = Loading::AtOnce);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const std::uint8_t* data() const { return base_; }
  // The file's bytes that are mapped.
  std::size_t length() const { return length_; }
  // How many bytes can be seen from data(): the file's, then zeros.
  std::size_t room() const { return reserved_; }
  // Makes room for `size` bytes, zero past the file's bytes, without copying them; false when
  // the address space cannot be had, the mapping then unchanged.
  bool makeRoom(std::size_t size);
  // False once a page was found cut off, or the file is now shorter than what was mapped.
  bool intact() const;
  // Whether the bytes before `end` are still the file's: all of them until a page was found cut
  // off, which costs no system call; after that, those the file still holds.
  bool intactTo(std::size_t end) const;

 private:
  MappedFile() = default;
  bool place(std::size_t room, int populate);
  bool pagesCut() const;

  int fd_ = -1;
  std::uint8_t* base_ = nullptr;
  std::size_t length_ = 0;
  std::size_t reserved_ = 0;  // bytes of address space held at base_, whole pages
  int guard_ = -1;            // this mapping's entry in the SIGBUS guard
  bool cutBefore_ = false;    // a page was cut off under an earlier placement
};

}  // namespace hm
