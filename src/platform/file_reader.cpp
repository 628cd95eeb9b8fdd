#include "platform/file_reader.h"

#include "platform/mapped_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// One read call per piece, where the file cannot be mapped.
class ReadingFileReader : public FileReader {
 public:
  ReadingFileReader(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~ReadingFileReader() override { ::close(fd_); }

  std::uint64_t size() const override { return size_; }

  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override {
    if (buffer_.size() < count) buffer_.resize(count);
    std::size_t got = 0;
    while (got < count) {
      ssize_t n = ::pread(fd_, buffer_.data() + got, count - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      got += static_cast<std::size_t>(n);
    }
    return std::span<const std::uint8_t>(buffer_.data(), got);
  }

 private:
  int fd_;
  std::uint64_t size_;
  std::vector<std::uint8_t> buffer_;
};

// The file mapped once: a piece costs a copy of its bytes and no system call, where a read call
// per piece cost more than the rest of a check together. Pages are read as the pieces touch
// them. Another program may cut the file short meanwhile: the mapping then reads zeros where the
// file's bytes were, and a piece that reached past the file's new end fails.
class MappedFileReader : public FileReader {
 public:
  explicit MappedFileReader(std::unique_ptr<MappedFile> mapping) : mapping_(std::move(mapping)) {}

  std::uint64_t size() const override { return mapping_->length(); }

  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override {
    const std::size_t size = mapping_->length();
    if (offset >= size) return std::span<const std::uint8_t>();
    const auto at = static_cast<std::size_t>(offset);
    count = std::min(count, size - at);
    if (buffer_.size() < count) buffer_.resize(count);
    std::memcpy(buffer_.data(), mapping_->data() + at, count);
    if (!mapping_->intactTo(at + count)) return std::nullopt;
    return std::span<const std::uint8_t>(buffer_.data(), count);
  }

 private:
  std::unique_ptr<MappedFile> mapping_;
  std::vector<std::uint8_t> buffer_;
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
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size > 0) {
    if (auto mapping = MappedFile::map(fd, size, MappedFile::Loading::OnTouch)) {
      return std::make_unique<MappedFileReader>(std::move(mapping));
    }
  }
  return std::make_unique<ReadingFileReader>(fd, static_cast<std::uint64_t>(st.st_size));
}

std::unique_ptr<FileReader> FileSystem::openReader(const std::string& path) {
  std::optional<ByteImage> image = read(path);
  if (!image) return nullptr;
  return std::make_unique<WholeFileReader>(std::move(*image));
}

}  // namespace hm
