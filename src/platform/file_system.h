#pragma once

#include "platform/file_lock.h"
#include "platform/result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace hm {

class FileReader;

// The largest BIN or data file the program takes: every address fits six hex digits. A DIF has
// its own, larger limit, set by its layout.
inline constexpr std::uint64_t kMaxImageSize = 0xFFFFFF;

// A whole file held in memory. Bytes added by growing are zero.
class ByteImage {
 public:
  ByteImage() = default;
  explicit ByteImage(std::size_t size);
  static ByteImage uninitialized(std::size_t size);

  std::uint8_t* data() { return data_.get(); }
  const std::uint8_t* data() const { return data_.get(); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }
  std::uint8_t& operator[](std::size_t i) { return data_[i]; }
  std::uint8_t operator[](std::size_t i) const { return data_[i]; }

  void resize(std::size_t size);
  void release();

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

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

struct FileInfo {
  bool regular = false;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // last modification, nanoseconds since the epoch
};

// An output written to a temporary file beside its target and renamed over it on commit(),
// so a failure never leaves a half-written file or harms the file that was there.
class OutputFile {
 public:
  virtual ~OutputFile() = default;  // discards the temporary unless committed
  virtual bool write(const void* data, std::size_t size) = 0;
  // Writes the pieces one after another, in as few calls to the system as it can.
  virtual bool writePieces(std::span<const std::span<const std::uint8_t>> pieces);
  virtual bool commit() = 0;
};

// All file access of the core goes through this seam, so tests can make any step fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Nothing when the path cannot be looked up.
  virtual std::optional<FileInfo> stat(const std::string& path) = 0;
  // The first `maxBytes` bytes of a regular file (all of it when shorter); nothing on failure.
  virtual std::optional<ByteImage> read(const std::string& path,
                                        std::size_t maxBytes = SIZE_MAX) = 0;
  // The same bytes as read(), mapped in place where the file allows it (a regular file on a file
  // system that maps), so nothing is copied; the default reads.
  virtual std::optional<FileView> view(const std::string& path, std::size_t maxBytes = SIZE_MAX);
  // A regular file opened for reading pieces of it (FileReader); nothing on failure. The
  // default reads the whole file at once.
  virtual std::unique_ptr<FileReader> openReader(const std::string& path);
  // Nothing when the temporary cannot be created.
  virtual std::unique_ptr<OutputFile> create(const std::string& path) = 0;
  // Creates the folder and its missing parents; true when it exists afterwards.
  virtual bool makeFolders(const std::string& path) = 0;
  // The exclusive lock on a file for one read, change and rename of it (lockFile). A file
  // system no other process can see needs none, hence the default.
  virtual Result<std::unique_ptr<FileLock>> lock(const std::string& path,
                                                 std::chrono::milliseconds wait,
                                                 MissingFile missing);
};

FileSystem& realFileSystem();

// Collects small pieces into large writes; the first failed write sticks. The buffer grows with
// what it holds, up to `capacity`, so a file of a few hundred bytes does not take a megabyte; the
// output sees the same writes as from a buffer allocated whole.
class BufferedWriter {
 public:
  explicit BufferedWriter(OutputFile& out, std::size_t capacity = 1 << 20);
  void write(const void* data, std::size_t size);
  void writeInt32(std::int32_t value);
  // Flushes and commits; false if any write or the commit failed.
  bool finish();
  bool failed() const { return failed_; }

 private:
  void flush();
  void grow(std::size_t needed);

  OutputFile& out_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t allocated_ = 0;
  std::size_t capacity_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace hm
