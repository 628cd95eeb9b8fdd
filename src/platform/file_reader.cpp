#include "platform/file_reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
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

// Another program may cut a mapped file short; touching a page past its new end raises SIGBUS.
// A copy out of the mapping then fails instead of the process.
thread_local sigjmp_buf* copyGuard = nullptr;
struct sigaction earlierBusAction;

void onBusError(int signal, siginfo_t* info, void*) {
  if (sigjmp_buf* guard = copyGuard) {
    copyGuard = nullptr;
    siglongjmp(*guard, 1);
  }
  // Not a guarded copy: the earlier disposition takes the fault when the access repeats, or
  // the signal again when another process sent it.
  ::sigaction(SIGBUS, &earlierBusAction, nullptr);
  if (info->si_code <= 0) ::raise(signal);
}

bool installCopyGuard() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    // Not deferred, so leaving the handler by siglongjmp leaves the signal unblocked without
    // saving the mask on every copy, which would cost a system call each.
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_RESTART;
    sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &earlierBusAction) == 0;
  }();
  return installed;
}

bool guardedCopy(std::uint8_t* to, const std::uint8_t* from, std::size_t count) {
  sigjmp_buf guard;
  if (sigsetjmp(guard, 0) != 0) return false;
  copyGuard = &guard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  std::memcpy(to, from, count);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  copyGuard = nullptr;
  return true;
}

// The file mapped once: a piece costs a copy of its bytes and no system call, where a read call
// per piece cost more than the rest of a check together.
class MappedFileReader : public FileReader {
 public:
  MappedFileReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  ~MappedFileReader() override { ::munmap(const_cast<std::uint8_t*>(bytes_), size_); }

  std::uint64_t size() const override { return size_; }

  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override {
    if (offset >= size_) return std::span<const std::uint8_t>();
    const auto at = static_cast<std::size_t>(offset);
    count = std::min(count, size_ - at);
    if (buffer_.size() < count) buffer_.resize(count);
    if (!guardedCopy(buffer_.data(), bytes_ + at, count)) return std::nullopt;
    return std::span<const std::uint8_t>(buffer_.data(), count);
  }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
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
  if (size > 0 && installCopyGuard()) {
    void* bytes = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes != MAP_FAILED) {
      ::close(fd);
      return std::make_unique<MappedFileReader>(static_cast<const std::uint8_t*>(bytes), size);
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
