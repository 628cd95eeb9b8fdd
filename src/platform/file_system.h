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
  bool folder = false;          // neither folder nor regular: a device, a FIFO or a socket
};

// An output written to a temporary file beside its target and given the target's name on
// commit(), so a failure never leaves a half-written file or harms the file that was there.
// Only a regular file or a missing name is ever replaced. Committing takes two steps, so that
// several outputs can be made ready first and then take their names together (commitTogether).
class OutputFile {
 public:
  virtual ~OutputFile() = default;  // discards the temporary unless committed
  virtual bool write(const void* data, std::size_t size) = 0;
  // Writes the pieces one after another, in as few calls to the system as it can.
  virtual bool writePieces(std::span<const std::span<const std::uint8_t>> pieces);
  // Everything that can fail before the file takes its name: reaching the disk, the owner and
  // the mode of the file it replaces.
  virtual bool prepare() { return true; }
  // Gives the prepared file the target's name. With `keepPrevious` the file it replaced is kept
  // aside until settle(), so that withdraw() can put it back.
  virtual bool publish(bool keepPrevious) = 0;
  // Puts back what a publish(true) replaced (or removes the name it created).
  virtual bool withdraw() { return false; }
  // Lets go of what publish(true) kept aside.
  virtual void settle() {}

  bool commit() { return prepare() && publish(false); }
};

// Commits the outputs so that either all of them replace their targets or none does: each is
// made ready before any takes its name, and a name that cannot be taken puts the ones already
// published back.
bool commitTogether(std::span<OutputFile* const> outputs);

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
  // Removes a file; true when it is gone. The default removes nothing.
  virtual bool remove(const std::string& path);
  // The exclusive lock on a file for one read, change and rename of it (lockFile). A file
  // system no other process can see needs none, hence the default.
  virtual Result<std::unique_ptr<FileLock>> lock(const std::string& path,
                                                 std::chrono::milliseconds wait,
                                                 MissingFile missing);
  // The hold on a folder while files in it take their names together, so that two runs
  // writing the same new names cannot leave one run's file beside the other's. Default: none.
  virtual Result<std::unique_ptr<FileLock>> lockFolder(const std::string& folder,
                                                       std::chrono::milliseconds wait);
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
  // Flushes without committing; false if any write failed.
  bool flush();
  bool failed() const { return failed_; }

 private:
  void grow(std::size_t needed);

  OutputFile& out_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t allocated_ = 0;
  std::size_t capacity_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

}  // namespace hm
