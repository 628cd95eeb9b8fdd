#include "support/fault_file_system.h"

#include "platform/file_stream.h"

#include <algorithm>
#include <cerrno>

namespace hm::test {

class FaultOutputFile : public OutputFile {
 public:
  FaultOutputFile(FaultFileSystem& fs, std::unique_ptr<OutputFile> inner)
      : fs_(fs), inner_(std::move(inner)) {}

  bool write(const void* data, std::size_t size) override {
    if (fs_.writeLimit && fs_.bytesWritten_ + size > *fs_.writeLimit) return false;
    if (!inner_->write(data, size)) return false;
    fs_.bytesWritten_ += size;
    return true;
  }

  bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override {
    return !fs_.failWriteAt && inner_->writeAt(offset, data, size);
  }
  bool prepare() override { return !fs_.failCommit && inner_->prepare(); }
  bool publish(bool keepPrevious) override {
    if (fs_.failPublish && fs_.failPublish(fs_.publishes_++)) return false;
    return inner_->publish(keepPrevious);
  }
  bool withdraw() override { return inner_->withdraw(); }
  void settle() override { inner_->settle(); }

 private:
  FaultFileSystem& fs_;
  std::unique_ptr<OutputFile> inner_;
};

namespace {

// Gives its inner stream's bytes up to `cut`, then nothing, whatever its size says.
class CutStream : public FileStream {
 public:
  CutStream(std::unique_ptr<FileStream> inner, std::uint64_t cut)
      : inner_(std::move(inner)), left_(cut) {}
  std::uint64_t size() const override { return inner_->size(); }
  std::optional<std::size_t> read(std::uint8_t* into, std::size_t count) override {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, left_));
    std::optional<std::size_t> got = inner_->read(into, n);
    if (got) left_ -= *got;
    return got;
  }
  bool skip(std::uint64_t count) override {
    const std::uint64_t n = std::min(count, left_);
    left_ -= n;
    return inner_->skip(n);
  }

 private:
  std::unique_ptr<FileStream> inner_;
  std::uint64_t left_;
};

}  // namespace

int FaultFileSystem::readCount(const std::string& path) const {
  auto it = reads_.find(path);
  return it == reads_.end() ? 0 : it->second;
}

std::size_t FaultFileSystem::lastReadLimit(const std::string& path) const {
  auto it = readLimits_.find(path);
  return it == readLimits_.end() ? 0 : it->second;
}

std::optional<FileInfo> FaultFileSystem::stat(const std::string& path) {
  return inner_.stat(path);
}

std::optional<ByteImage> FaultFileSystem::read(const std::string& path, std::size_t maxBytes) {
  ++reads_[path];
  ++totalReads_;
  readLimits_[path] = maxBytes;
  if (unreadable.count(path)) return std::nullopt;
  return inner_.read(path, maxBytes);
}

std::unique_ptr<FileStream> FaultFileSystem::openStream(const std::string& path) {
  ++reads_[path];
  ++totalReads_;
  readLimits_[path] = SIZE_MAX;
  if (unreadable.count(path)) return nullptr;
  std::unique_ptr<FileStream> stream = inner_.openStream(path);
  auto cut = cutWhileRead.find(path);
  if (!stream || cut == cutWhileRead.end()) return stream;
  return std::make_unique<CutStream>(std::move(stream), cut->second);
}

std::unique_ptr<OutputFile> FaultFileSystem::create(const std::string& path) {
  ++creates_;
  if (failCreate) return nullptr;
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && readOnlyFolders.count(path.substr(0, slash))) {
    errno = EACCES;
    return nullptr;
  }
  std::unique_ptr<OutputFile> inner = inner_.create(path);
  if (!inner) return nullptr;
  return std::make_unique<FaultOutputFile>(*this, std::move(inner));
}

bool FaultFileSystem::makeFolders(const std::string& path) {
  return inner_.makeFolders(path);
}

Result<std::unique_ptr<FileLock>> FaultFileSystem::lockFolder(const std::string& folder,
                                                              std::chrono::milliseconds wait) {
  return inner_.lockFolder(folder, wait);
}

Result<std::unique_ptr<FileLock>> FaultFileSystem::lock(const std::string& path,
                                                        std::chrono::milliseconds wait,
                                                        MissingFile missing) {
  return inner_.lock(path, wait, missing);
}

}  // namespace hm::test
