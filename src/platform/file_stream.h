#pragma once

#include "platform/byte_image.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace hm {

// A file read once from its start to its end into the caller's buffer: a job that passes over a
// whole image keeps only a buffer's worth of it, and on some machines reading costs about half of
// what mapping the same bytes does. FileSystem::openStream opens one.
class FileStream {
 public:
  virtual ~FileStream() = default;
  // The file's length when it was opened.
  virtual std::uint64_t size() const = 0;
  // The next `count` bytes into `into`, fewer only where the file ends; nothing when a read
  // fails. A file cut short since it was opened ends early: callers compare with size().
  virtual std::optional<std::size_t> read(std::uint8_t* into, std::size_t count) = 0;
  // Passes over the next `count` bytes without reading them; false when that fails. A file that
  // ends among them shows in the next read. The default reads them.
  virtual bool skip(std::uint64_t count);
};

// Bytes already read whole, served in pieces.
class ImageStream : public FileStream {
 public:
  explicit ImageStream(ByteImage image) : image_(std::move(image)) {}
  std::uint64_t size() const override { return image_.size(); }
  std::optional<std::size_t> read(std::uint8_t* into, std::size_t count) override;
  bool skip(std::uint64_t count) override;

 private:
  ByteImage image_;
  std::size_t at_ = 0;
};

// The real file system's stream: read calls on a descriptor. Nothing when `path` is no regular
// file that can be opened; a FIFO is refused without waiting for a writer.
std::unique_ptr<FileStream> openRealFileStream(const std::string& path);

// Reads exactly `count` bytes; false when the read fails or the file ends first.
bool readExactly(FileStream& stream, std::uint8_t* into, std::size_t count);

// Reads the whole file into one image, `piece` bytes at a time, showing `more` the bytes read so
// far after each piece: work on them goes along with the reading, and false from `more` ends
// it. Nothing when a read fails or `more` ended it. A file cut short since it was opened gives
// what it still held, as FileSystem::read does.
std::optional<ByteImage> readInPieces(
    FileStream& stream, std::size_t piece,
    const std::function<bool(std::span<const std::uint8_t> read)>& more);

}  // namespace hm
