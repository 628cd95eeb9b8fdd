#include "platform/file_fingerprint.h"

#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

namespace hm {

namespace {

// Large enough that a stretch costs far more than joining its hash in.
constexpr std::size_t kHashedStretch = std::size_t{1} << 20;
constexpr std::size_t kJoin = 0x100000001B3;

std::size_t hashOf(std::span<const std::uint8_t> bytes) {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

void ContentHash::add(std::span<const std::uint8_t> bytes) {
  while (bytes.size() - hashed_ >= kHashedStretch) {
    value_ = value_ * kJoin ^ hashOf(bytes.subspan(hashed_, kHashedStretch));
    hashed_ += kHashedStretch;
  }
}

std::size_t ContentHash::finish(std::span<const std::uint8_t> bytes) {
  add(bytes);
  return value_ * kJoin ^ hashOf(bytes.subspan(hashed_));
}

FileFingerprint fingerprintOf(const FileInfo& info, std::span<const std::uint8_t> bytes) {
  return fingerprintOf(info, bytes.size(), ContentHash().finish(bytes));
}

FileFingerprint fingerprintOf(const FileInfo& info, std::uint64_t size, std::size_t hash) {
  return {size, info.modifiedNs, hash};
}

std::optional<FileFingerprint> fingerprintFile(FileSystem& fs, const std::string& path) {
  std::optional<ByteImage> bytes = fs.read(path);
  std::optional<FileInfo> info = fs.stat(path);
  if (!bytes || !info) return std::nullopt;
  return fingerprintOf(*info, bytes->bytes());
}

bool changedSince(FileSystem& fs, const std::string& path, const FileFingerprint& read) {
  std::optional<FileInfo> info = fs.stat(path);
  if (!info || info->size != read.size || info->modifiedNs != read.modifiedNs) return true;
  // Equal times prove little where they are kept in whole seconds, so the bytes decide.
  std::optional<FileFingerprint> now = fingerprintFile(fs, path);
  return !now || *now != read;
}

bool samePath(const std::string& a, const std::string& b) {
  std::error_code error;
  std::filesystem::path left = std::filesystem::weakly_canonical(a, error);
  if (error) left = std::filesystem::path(a).lexically_normal();
  std::filesystem::path right = std::filesystem::weakly_canonical(b, error);
  if (error) right = std::filesystem::path(b).lexically_normal();
  return left == right;
}

}  // namespace hm
