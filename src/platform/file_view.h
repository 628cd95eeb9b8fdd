#pragma once

#include "platform/byte_image.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace hm {

class MappedFile;

// A file's bytes to read: seen in place where the file could be mapped, otherwise a copy read
// into memory.
class FileView {
 public:
  FileView();
  explicit FileView(ByteImage image);
  explicit FileView(std::unique_ptr<MappedFile> mapping);
  FileView(FileView&&) noexcept;
  FileView& operator=(FileView&&) noexcept;
  ~FileView();

  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::span<const std::uint8_t> bytes() const { return {data_, size_}; }

  // Shortens the view, or lengthens it with zero bytes; a mapped file is not copied for that.
  void resize(std::size_t size);
  void release();
  // False when the mapped file was cut short under the program since it was mapped: the bytes
  // seen may then be zeros that were never in it, and must be taken as a failed read. A copy
  // is always intact.
  bool intact() const;

 private:
  void copyMapping();

  ByteImage image_;
  std::unique_ptr<MappedFile> mapping_;
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  bool cut_ = false;  // copied from a mapping that was no longer intact
};

}  // namespace hm
