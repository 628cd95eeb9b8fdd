#pragma once

#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace hm {

// What a file held when it was read, to tell later whether another program has changed it
// since: the size and modification time answer at once, the hash where those two agree.
struct FileFingerprint {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::size_t hash = 0;
  bool operator==(const FileFingerprint&) const = default;
};

// The hash a fingerprint keeps, taken while the file is read into one buffer: the bytes are
// hashed a fixed stretch at a time, so a file hashed as its pieces come hashes as it does whole.
class ContentHash {
 public:
  // `bytes`: the file's first bytes, those given before and perhaps more.
  void add(std::span<const std::uint8_t> bytes);
  // `bytes`: the whole file.
  std::size_t finish(std::span<const std::uint8_t> bytes);

 private:
  std::size_t hashed_ = 0;
  std::size_t value_ = 0;
};

// `bytes` as read, `info` as the file system told right after.
FileFingerprint fingerprintOf(const FileInfo& info, std::span<const std::uint8_t> bytes);
// The same for a file hashed as it was read, `size` bytes long.
FileFingerprint fingerprintOf(const FileInfo& info, std::uint64_t size, std::size_t hash);

// True when the file at `path` no longer holds what `read` was taken from: another size,
// modification time or content, or a file that is gone or cannot be read.
bool changedSince(FileSystem& fs, const std::string& path, const FileFingerprint& read);

// The fingerprint of what the file at `path` holds now; nothing when it cannot be read.
std::optional<FileFingerprint> fingerprintFile(FileSystem& fs, const std::string& path);

// Whether two paths name the same file: the same path once links, "." and ".." are resolved.
bool samePath(const std::string& a, const std::string& b);

}  // namespace hm
