#pragma once

#include "blocks/block_line.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string_view>

namespace hm {

// The patch file: a 32-byte header, then one record per block:
//   "FBLKNORD", int32 L = N + 4, int32 address, N data bytes.
// All integers are 32-bit little-endian two's complement.
inline constexpr std::string_view kDifMagic = "SPFDSGHA <=HEXMARSHAL=> ";  // 24 characters
inline constexpr std::string_view kDifSignature = "SPFDSGHA";              // what readers check
inline constexpr std::string_view kRecordMarker = "FBLKNORD";
inline constexpr std::size_t kDifHeaderSize = 32;
inline constexpr std::size_t kBlockCountOffset = 28;
inline constexpr std::size_t kRecordHeadSize = 16;
// Inside a record's head: the marker, then L, then the block's address. L counts the data and
// the address field before it.
inline constexpr std::size_t kRecordLengthOffset = 8;
inline constexpr std::size_t kRecordAddressOffset = 12;
inline constexpr std::int32_t kRecordLengthExtra = 4;
// The largest DIF the program opens: a one-byte record at every address, the most records that
// fit side by side. Only overlapping records or bytes after the last one make a larger file, and
// the program writes neither.
inline constexpr std::uint64_t kMaxDifSize =
    kDifHeaderSize + (kRecordHeadSize + 1) * (std::uint64_t{kLastImageOffset} + 1);

// The 32-byte header for `count` records, and the 16-byte head of a record of `length` data
// bytes at `address`.
// A 32-bit little-endian integer, as every integer of the format is stored. In the header, with
// the record head: a DIF of millions of records stores and loads them for each.
inline void storeInt32(std::uint8_t* p, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline std::int32_t loadInt32(const std::uint8_t* p) {
  auto v = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  return static_cast<std::int32_t>(v);
}
void storeDifHeader(std::uint8_t* header, std::int32_t count);
inline void storeRecordHead(std::uint8_t* head, std::int32_t address, std::int32_t length) {
  std::memcpy(head, kRecordMarker.data(), kRecordMarker.size());
  storeInt32(head + kRecordLengthOffset, length + kRecordLengthExtra);
  storeInt32(head + kRecordAddressOffset, address);
}

// GetData: typed reads at a moving position. A read that would leave the image fails and
// leaves the position where it was.
class DifCursor {
 public:
  explicit DifCursor(std::span<const std::uint8_t> image, std::size_t position = 0)
      : image_(image), position_(position) {}

  bool readInt32(std::int32_t& value);
  bool readText(std::size_t count, std::string_view& text);
  bool readByte(std::uint8_t& value);
  bool skip(std::size_t count);

  std::size_t position() const { return position_; }
  void seek(std::size_t position) { position_ = position; }

 private:
  std::span<const std::uint8_t> image_;
  std::size_t position_;
};

struct DifRecord {
  std::int32_t address;
  std::int32_t length;     // N, the data bytes
  std::size_t dataOffset;  // where the data begins in the DIF image
};

enum class DifFault {
  None,
  BadSignature,  // the first 8 bytes are not "SPFDSGHA"
  BadMarker,     // a record does not begin with "FBLKNORD"
  Truncated,     // the count or a record length reaches past the end of the file
  BadCount,      // a negative block count
  BadLength,     // a record length below 5
  BadAddress,    // a negative address, or a block ending past kLastImageOffset
};

struct DifWalk {
  DifFault fault = DifFault::None;
  std::int32_t count = 0;        // the header's block count
  std::int32_t recordsRead = 0;  // records accepted before a fault (all of them without one)
  bool ok() const { return fault == DifFault::None; }
};

// Steps through the records of a DIF walkDif accepted, without checking them again and without
// holding a table of them: the largest DIF has sixteen million.
class RecordSteps {
 public:
  explicit RecordSteps(std::span<const std::uint8_t> dif);
  std::int32_t count() const { return left_; }
  bool next(DifRecord& record);

 private:
  DifCursor cursor_;
  std::int32_t left_ = 0;
};

// Walks the header and `count` records, never reading outside the image. `visit` sees each
// accepted record in file order, before the next one is checked.
DifWalk walkDif(std::span<const std::uint8_t> dif,
                const std::function<void(const DifRecord&)>& visit = {});

// walkDif over a file that is still being read: a record is taken once all of it has come, so
// the records and the fault are those walkDif finds in the whole file.
class DifWalker {
 public:
  // The next record, from `bytes`: the file's first bytes, those given before and perhaps more
  // (all of them when `whole`). False when the record has not come whole yet, and once the walk
  // has ended (ended()).
  bool next(std::span<const std::uint8_t> bytes, bool whole, DifRecord& record);
  bool ended() const { return stage_ == Stage::Ended; }
  // Final once ended(); the header's count as soon as it has been read.
  const DifWalk& walk() const { return walk_; }

 private:
  enum class Stage { Header, Records, Ended };
  bool readHeader(std::span<const std::uint8_t> bytes, bool whole);
  bool end(DifFault fault);

  DifWalk walk_;
  Stage stage_ = Stage::Header;
  std::size_t position_ = 0;
};

}  // namespace hm
