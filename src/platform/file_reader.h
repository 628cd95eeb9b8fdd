#pragma once

#include "platform/file_system.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace hm {

// A file read piece by piece where a job needs a few bytes of a large one: a check of a BIN's
// blocks costs a read of the blocks, not of the whole image. FileSystem::openReader opens one.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // The file's length when it was opened.
  virtual std::uint64_t size() const = 0;
  // The bytes from `offset` on, at most `count`, fewer where the file ends; they stay valid
  // until the next call. Nothing when the read fails.
  virtual std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                              std::size_t count) = 0;
};

// Pieces of bytes already in memory, which it does not own.
class ImageReader : public FileReader {
 public:
  explicit ImageReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::optional<std::span<const std::uint8_t>> readAt(std::uint64_t offset,
                                                      std::size_t count) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// The real file system's reader: one read call per piece. Nothing when `path` is no regular
// file that can be opened.
std::unique_ptr<FileReader> openRealFileReader(const std::string& path);

}  // namespace hm
