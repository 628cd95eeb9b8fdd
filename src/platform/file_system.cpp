#include "platform/file_system.h"

#include "platform/atomic_output_file.h"
#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/mapped_file.h"
#include "platform/regular_file.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hm {

namespace {

// Up to `want` bytes from the start of the open file; fewer when it shrank since it was measured.
std::optional<ByteImage> readOpen(int fd, std::size_t want) {
  ByteImage image = ByteImage::uninitialized(want);
  std::optional<std::size_t> got = readFully(fd, image.data(), want);
  if (!got) return std::nullopt;
  image.resize(*got);
  return image;
}

std::size_t atMost(const RegularFile& file, std::size_t maxBytes) {
  return static_cast<std::size_t>(std::min<std::uint64_t>(file.size, maxBytes));
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
    RegularFile file = openRegularFile(path);
    if (file.fd < 0) return std::nullopt;
    std::optional<ByteImage> image = readOpen(file.fd, atMost(file, maxBytes));
    ::close(file.fd);
    return image;
  }

  std::optional<FileView> view(const std::string& path, std::size_t maxBytes) override {
    // The size is taken once: a file cut short later is the mapping's to notice.
    RegularFile file = openRegularFile(path);
    if (file.fd < 0) return std::nullopt;
    const std::size_t length = atMost(file, maxBytes);
    if (std::unique_ptr<MappedFile> mapping = MappedFile::map(file.fd, length)) {
      return FileView(std::move(mapping));
    }
    // Some files refuse to be mapped (most of /proc and /sys) but can be read.
    std::optional<ByteImage> image = readOpen(file.fd, length);
    ::close(file.fd);
    if (!image) return std::nullopt;
    return FileView(std::move(*image));
  }

  std::unique_ptr<FileReader> openReader(const std::string& path) override {
    return openRealFileReader(path);
  }

  std::unique_ptr<FileStream> openStream(const std::string& path) override {
    return openRealFileStream(path);
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

FileSystem& realFileSystem() {
  static RealFileSystem fs;
  return fs;
}

}  // namespace hm
