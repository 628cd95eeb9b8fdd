#include "platform/file_system.h"

#include "platform/atomic_output_file.h"
#include "platform/file_reader.h"
#include "platform/mapped_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace hm {

namespace {

// An image is filled right after it is allocated. On 2 MiB pages a 16 MiB image costs a few
// faults instead of four thousand, which took longer than comparing the bytes. Only a hint:
// without huge pages nothing changes.
std::unique_ptr<std::uint8_t[]> allocateImage(std::size_t size) {
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size ? size : 1]);
  constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
  auto at = reinterpret_cast<std::uintptr_t>(bytes.get());
  std::uintptr_t begin = (at + kHugePage - 1) & ~(kHugePage - 1);
  std::uintptr_t end = (at + size) & ~(kHugePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  return bytes;
}

}  // namespace

ByteImage::ByteImage(std::size_t size) : ByteImage(uninitialized(size)) {
  if (size) std::memset(data_.get(), 0, size);
}

ByteImage ByteImage::uninitialized(std::size_t size) {
  ByteImage image;
  image.data_ = allocateImage(size);
  image.size_ = size;
  image.capacity_ = size;
  return image;
}

void ByteImage::resize(std::size_t size) {
  if (size > capacity_) {
    std::size_t capacity = std::max(size, capacity_ + capacity_ / 2);
    std::unique_ptr<std::uint8_t[]> grown = allocateImage(capacity);
    if (size_) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }
  if (size > size_) std::memset(data_.get() + size_, 0, size - size_);
  size_ = size;
}

void ByteImage::release() {
  data_.reset();
  size_ = capacity_ = 0;
}

FileView::FileView() = default;

FileView::FileView(ByteImage image)
    : image_(std::move(image)), data_(image_.data()), size_(image_.size()) {}

FileView::FileView(std::unique_ptr<MappedFile> mapping)
    : mapping_(std::move(mapping)), data_(mapping_->data()), size_(mapping_->length()) {}

FileView::FileView(FileView&& other) noexcept
    : image_(std::move(other.image_)),
      mapping_(std::move(other.mapping_)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      cut_(std::exchange(other.cut_, false)) {}

FileView& FileView::operator=(FileView&& other) noexcept {
  image_ = std::move(other.image_);
  mapping_ = std::move(other.mapping_);
  data_ = std::exchange(other.data_, nullptr);
  size_ = std::exchange(other.size_, 0);
  cut_ = std::exchange(other.cut_, false);
  return *this;
}

FileView::~FileView() = default;

void FileView::resize(std::size_t size) {
  if (mapping_) {
    if (size <= size_) {
      size_ = size;
      return;
    }
    // Past the file's end the mapping can show zeros, but not after a shortened view.
    if (size_ == mapping_->length() && mapping_->makeRoom(size)) {
      data_ = mapping_->data();
      size_ = size;
      return;
    }
    copyMapping();
  }
  image_.resize(size);
  data_ = image_.data();
  size_ = size;
}

void FileView::copyMapping() {
  ByteImage copy = ByteImage::uninitialized(size_);
  if (size_) std::memcpy(copy.data(), data_, size_);
  cut_ = !mapping_->intact();
  mapping_.reset();
  image_ = std::move(copy);
  data_ = image_.data();
}

void FileView::release() {
  image_.release();
  mapping_.reset();
  data_ = nullptr;
  size_ = 0;
  cut_ = false;
}

bool FileView::intact() const {
  return mapping_ ? mapping_->intact() : !cut_;
}

namespace {

// A descriptor of the regular file at `path` and its length at most `maxBytes`; fd -1 on failure.
struct OpenedFile {
  int fd = -1;
  std::size_t length = 0;
};

OpenedFile openRegular(const std::string& path, int flags, std::size_t maxBytes) {
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return {};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return {};
  }
  return {fd, std::min<std::size_t>(static_cast<std::size_t>(st.st_size), maxBytes)};
}

// Up to `want` bytes from the start of the open file; fewer when it shrank since it was measured.
std::optional<ByteImage> readOpen(int fd, std::size_t want) {
  ByteImage image = ByteImage::uninitialized(want);
  std::size_t got = 0;
  while (got < want) {
    ssize_t n = ::read(fd, image.data() + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  image.resize(got);
  return image;
}

class RealFileSystem : public FileSystem {
 public:
  std::optional<FileInfo> stat(const std::string& path) override {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileInfo{S_ISREG(st.st_mode), static_cast<std::uint64_t>(st.st_size),
                    std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec,
                    S_ISDIR(st.st_mode)};
  }

  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    OpenedFile file = openRegular(path, O_RDONLY | O_CLOEXEC, maxBytes);
    if (file.fd < 0) return std::nullopt;
    std::optional<ByteImage> image = readOpen(file.fd, file.length);
    ::close(file.fd);
    return image;
  }

  std::optional<FileView> view(const std::string& path, std::size_t maxBytes) override {
    // Not blocking: a FIFO's open would wait for a writer before it could be refused.
    // The size is taken once: a file cut short later is the mapping's to notice.
    OpenedFile file = openRegular(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK, maxBytes);
    if (file.fd < 0) return std::nullopt;
    if (std::unique_ptr<MappedFile> mapping = MappedFile::map(file.fd, file.length)) {
      return FileView(std::move(mapping));
    }
    // Some files refuse to be mapped (most of /proc and /sys) but can be read.
    std::optional<ByteImage> image = readOpen(file.fd, file.length);
    ::close(file.fd);
    if (!image) return std::nullopt;
    return FileView(std::move(*image));
  }

  std::unique_ptr<FileReader> openReader(const std::string& path) override {
    return openRealFileReader(path);
  }

  bool remove(const std::string& path) override {
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
  }

  std::unique_ptr<OutputFile> create(const std::string& path) override {
    return createAtomicOutput(path);
  }

  bool makeFolders(const std::string& path) override {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
  }

  Result<std::unique_ptr<FileLock>> lock(const std::string& path, std::chrono::milliseconds wait,
                                         MissingFile missing) override {
    return lockFile(path, wait, missing);
  }

  Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                               std::chrono::milliseconds wait) override {
    return hm::lockFolder(folder, wait);
  }
};

}  // namespace

std::optional<FileView> FileSystem::view(const std::string& path, std::size_t maxBytes) {
  std::optional<ByteImage> image = read(path, maxBytes);
  if (!image) return std::nullopt;
  return FileView(std::move(*image));
}

bool OutputFile::writePieces(std::span<const std::span<const std::uint8_t>> pieces) {
  for (std::span<const std::uint8_t> piece : pieces) {
    if (!write(piece.data(), piece.size())) return false;
  }
  return true;
}

Result<std::unique_ptr<FileLock>> FileSystem::lock(const std::string&, std::chrono::milliseconds,
                                                   MissingFile) {
  return std::unique_ptr<FileLock>(std::make_unique<FileLock>());
}

bool FileSystem::remove(const std::string&) {
  return false;
}

Result<std::unique_ptr<FileLock>> FileSystem::lockFolder(const std::string&,
                                                         std::chrono::milliseconds) {
  return std::unique_ptr<FileLock>(std::make_unique<FileLock>());
}

bool commitTogether(std::span<OutputFile* const> outputs) {
  for (OutputFile* out : outputs) {
    if (!out->prepare()) return false;
  }
  std::size_t published = 0;
  while (published < outputs.size() && outputs[published]->publish(true)) ++published;
  const bool all = published == outputs.size();
  while (!all && published > 0) outputs[--published]->withdraw();
  for (OutputFile* out : outputs) out->settle();
  return all;
}

FileSystem& realFileSystem() {
  static RealFileSystem fs;
  return fs;
}

BufferedWriter::BufferedWriter(OutputFile& out, std::size_t capacity)
    : out_(out), capacity_(capacity) {}

void BufferedWriter::write(const void* data, std::size_t size) {
  if (failed_ || size == 0) return;
  if (used_ + size > capacity_) {
    flush();
    if (size >= capacity_) {
      // Large pieces go straight from the caller's image.
      if (!out_.write(data, size)) failed_ = true;
      return;
    }
  }
  if (used_ + size > allocated_) grow(used_ + size);
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

void BufferedWriter::grow(std::size_t needed) {
  constexpr std::size_t kFirst = 64 * 1024;
  std::size_t size = std::min(capacity_, std::max({needed, allocated_ * 2, kFirst}));
  std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[size]);
  if (used_) std::memcpy(grown.get(), buffer_.get(), used_);
  buffer_ = std::move(grown);
  allocated_ = size;
}

void BufferedWriter::writeInt32(std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                           static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  write(bytes, 4);
}

bool BufferedWriter::flush() {
  if (used_ && !failed_ && !out_.write(buffer_.get(), used_)) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool BufferedWriter::finish() {
  return flush() && out_.commit();
}

}  // namespace hm
