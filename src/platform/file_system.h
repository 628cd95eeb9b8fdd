#pragma once

#include "platform/buffered_writer.h"
#include "platform/byte_image.h"
#include "platform/file_lock.h"
#include "platform/file_view.h"
#include "platform/output_file.h"
#include "platform/result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace hm {

class FileReader;
class FileStream;

// The largest BIN or data file the program takes: every address fits six hex digits. A DIF has
// its own, larger limit, set by its layout.
inline constexpr std::uint64_t kMaxImageSize = 0xFFFFFF;

struct FileInfo {
  bool regular = false;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // last modification, nanoseconds since the epoch
  bool folder = false;          // neither folder nor regular: a device, a FIFO or a socket
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
  // A regular file opened to be read once, front to back (FileStream); nothing on failure. The
  // default reads the whole file at once.
  virtual std::unique_ptr<FileStream> openStream(const std::string& path);
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

}  // namespace hm
