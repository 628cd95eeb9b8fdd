#pragma once

#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace hm::test {

// Wraps another FileSystem (the real one by default), counts what passes through it and fails
// the steps a test asks for. An output whose write or commit fails is dropped uncommitted, so
// the wrapped file system discards its temporary as it would after a real failure.
class FaultFileSystem : public FileSystem {
 public:
  explicit FaultFileSystem(FileSystem& inner = realFileSystem()) : inner_(inner) {}

  // Faults; every one is off until set.
  std::set<std::string> unreadable;  // read() of these paths fails; stat() still answers
  bool failCreate = false;           // create() gives nothing
  // create() of a file right inside one of these folders gives nothing with errno EACCES, as
  // a folder without write permission refuses the temporary beside the target even to root.
  std::set<std::string> readOnlyFolders;
  std::optional<std::size_t> writeLimit;  // a write that would pass this many bytes fails
  bool failCommit = false;                // commit() fails after every write went through
  // Streams of these paths end after so many bytes though their size says more, as a file cut
  // short by another program while it is read.
  std::map<std::string, std::uint64_t> cutWhileRead;
  bool failWriteAt = false;  // going back to fill in bytes already written fails
  // Asked with the count of names taken so far before each output takes its name; true fails
  // that step (the rename), after everything else went through.
  std::function<bool(int published)> failPublish;

  // What went through.
  int readCount(const std::string& path) const;
  int totalReads() const { return totalReads_; }
  std::size_t lastReadLimit(const std::string& path) const;  // maxBytes of the last read
  int creates() const { return creates_; }
  std::size_t bytesWritten() const { return bytesWritten_; }

  std::optional<FileInfo> stat(const std::string& path) override;
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes = SIZE_MAX) override;
  // Counted as a read, and refused for the unreadable paths.
  std::unique_ptr<FileStream> openStream(const std::string& path) override;
  std::unique_ptr<OutputFile> create(const std::string& path) override;
  bool makeFolders(const std::string& path) override;
  bool remove(const std::string& path) override { return inner_.remove(path); }
  Result<std::unique_ptr<FileLock>> lock(const std::string& path, std::chrono::milliseconds wait,
                                         MissingFile missing) override;
  Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                               std::chrono::milliseconds wait) override;

 private:
  friend class FaultOutputFile;

  FileSystem& inner_;
  std::map<std::string, int> reads_;
  std::map<std::string, std::size_t> readLimits_;
  int totalReads_ = 0;
  int creates_ = 0;
  int publishes_ = 0;
  std::size_t bytesWritten_ = 0;
};

}  // namespace hm::test
