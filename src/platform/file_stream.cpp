#include "platform/file_stream.h"

#include "platform/file_system.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace hm {

std::optional<std::size_t> ImageStream::read(std::uint8_t* into, std::size_t count) {
  const std::size_t n = std::min(count, image_.size() - at_);
  if (n > 0) std::memcpy(into, image_.data() + at_, n);
  at_ += n;
  return n;
}

bool ImageStream::skip(std::uint64_t count) {
  at_ += static_cast<std::size_t>(std::min<std::uint64_t>(count, image_.size() - at_));
  return true;
}

bool FileStream::skip(std::uint64_t count) {
  std::uint8_t scratch[4096];
  while (count > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof scratch));
    std::optional<std::size_t> got = read(scratch, n);
    if (!got) return false;
    if (*got < n) return true;
    count -= n;
  }
  return true;
}

namespace {

class DescriptorStream : public FileStream {
 public:
  DescriptorStream(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  ~DescriptorStream() override { ::close(fd_); }

  std::uint64_t size() const override { return size_; }

  std::optional<std::size_t> read(std::uint8_t* into, std::size_t count) override {
    return readFully(fd_, into, count);
  }

  bool skip(std::uint64_t count) override {
    return ::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) >= 0;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

}  // namespace

std::unique_ptr<FileStream> openRealFileStream(const std::string& path) {
  const RegularFile file = openRegularFile(path);
  if (file.fd < 0) return nullptr;
  // Read ahead further than the kernel's default: the file is read once, front to back.
  ::posix_fadvise(file.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::make_unique<DescriptorStream>(file.fd, file.size);
}

bool readExactly(FileStream& stream, std::uint8_t* into, std::size_t count) {
  std::optional<std::size_t> got = stream.read(into, count);
  return got && *got == count;
}

std::optional<ByteImage> readInPieces(
    FileStream& stream, std::size_t piece,
    const std::function<bool(std::span<const std::uint8_t> read)>& more) {
  ByteImage image = ByteImage::uninitialized(static_cast<std::size_t>(stream.size()));
  std::size_t got = 0;
  while (got < image.size()) {
    std::optional<std::size_t> n =
        stream.read(image.data() + got, std::min(piece, image.size() - got));
    if (!n) return std::nullopt;
    if (*n == 0) break;
    got += *n;
    if (!more(std::span<const std::uint8_t>(image.data(), got))) return std::nullopt;
  }
  image.resize(got);
  return image;
}

std::unique_ptr<FileStream> FileSystem::openStream(const std::string& path) {
  std::optional<ByteImage> image = read(path);
  if (!image) return nullptr;
  return std::make_unique<ImageStream>(std::move(*image));
}

}  // namespace hm
