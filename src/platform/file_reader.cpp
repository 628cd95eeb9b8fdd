#include "platform/file_reader.h"

#include "platform/mapped_file.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace hm {

std::optional<std::span<const std::uint8_t>> ImageReader::readAt(std::uint64_t offset,
                                                                 std::size_t count) {
  if (offset >= bytes_.size()) return std::span<const std::uint8_t>();
  const auto at = static_cast<std::size_t>(offset);
  return bytes_.subspan(at, std::min(count, bytes_.size() - at));
}

namespace {

// Pieces served from a window of the file read ahead of them. A check asks for the blocks of a
// DIF in ascending order, mostly close together: one read call then brings many pieces, and
// copying the file's pages costs less here than mapping them, and keeps the memory at the
// window's size rather than the file's. A piece far from the last window brings only a little
// more than itself, so a few scattered blocks read little of the file. Only pieces of a megabyte
// and more are copied from a mapping of the file, which measured faster for them than one long
// read. Another program may cut the file short meanwhile: a piece that reaches past the file's
// new end fails.
class WindowedFileReader : public FileReader {
 public:
  WindowedFileReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~WindowedFileReader() override { ::close(fd_); }

  std::uint64_t size() const override { return size_; }

  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override {
    if (offset >= size_) return std::span<const std::uint8_t>();
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    if (count >= kMappedPiece && mapped()) return copyMapped(offset, count);
    if (offset < start_ || offset + count > start_ + length_) {
      const bool near = offset >= start_ && offset < start_ + length_ + kAheadBytes;
      if (!fill(offset, std::max(count, near ? kAheadBytes : kNearBytes))) return std::nullopt;
      // The file ended before the piece: it was cut short since it was opened.
      if (count > length_) return std::nullopt;
    }
    return std::span<const std::uint8_t>(window_.get() + (offset - start_), count);
  }

 private:
  static constexpr std::size_t kAheadBytes = 256 * 1024;
  static constexpr std::size_t kNearBytes = 16 * 1024;
  static constexpr std::size_t kMappedPiece = 1024 * 1024;

  // Maps the file once, on the first long piece; false when it cannot be mapped.
  bool mapped() {
    if (!mapping_ && !mappingFailed_) {
      const int fd = ::dup(fd_);
      if (fd >= 0) mapping_ = MappedFile::map(fd, size_, MappedFile::Loading::OnTouch);
      if (!mapping_) {
        if (fd >= 0) ::close(fd);
        mappingFailed_ = true;
      }
    }
    return mapping_ != nullptr;
  }

  std::optional<std::span<const std::uint8_t>> copyMapped(std::uint64_t offset, std::size_t count) {
    reserve(count);
    const auto at = static_cast<std::size_t>(offset);
    std::memcpy(window_.get(), mapping_->data() + at, count);
    // The window no longer holds what it read.
    start_ = 0;
    length_ = 0;
    if (!mapping_->intactTo(at + count)) return std::nullopt;
    return std::span<const std::uint8_t>(window_.get(), count);
  }

  // Not cleared first: what is used is always filled, and clearing 16 MiB costs as much again.
  void reserve(std::size_t count) {
    if (capacity_ >= count) return;
    window_.reset(new std::uint8_t[count]);
    capacity_ = count;
  }

  bool fill(std::uint64_t offset, std::size_t count) {
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, size_ - offset));
    reserve(count);
    start_ = offset;
    length_ = 0;
    std::optional<std::size_t> got = readFullyAt(fd_, window_.get(), count, offset);
    if (!got) return false;
    length_ = *got;
    return true;
  }

  int fd_;
  std::uint64_t size_;
  std::unique_ptr<std::uint8_t[]> window_;
  std::size_t capacity_ = 0;
  std::unique_ptr<MappedFile> mapping_;
  bool mappingFailed_ = false;
  std::uint64_t start_ = 0;
  std::size_t length_ = 0;
};

// Serves the pieces of a file read whole, for file systems that only read whole files.
class WholeFileReader : public FileReader {
 public:
  explicit WholeFileReader(ByteImage image) : image_(std::move(image)), pieces_(image_.bytes()) {}
  std::uint64_t size() const override { return pieces_.size(); }
  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override {
    return pieces_.readAt(offset, count);
  }

 private:
  ByteImage image_;
  ImageReader pieces_;
};

}  // namespace

std::unique_ptr<FileReader> openRealFileReader(const std::string& path) {
  const RegularFile file = openRegularFile(path);
  if (file.fd < 0) return nullptr;
  return std::make_unique<WindowedFileReader>(file.fd, file.size);
}

std::unique_ptr<FileReader> FileSystem::openReader(const std::string& path) {
  std::optional<ByteImage> image = read(path);
  if (!image) return nullptr;
  return std::make_unique<WholeFileReader>(std::move(*image));
}

}  // namespace hm
