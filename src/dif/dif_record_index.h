#pragma once

#include "dif/dif_format.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hm {

// One record head as the record walk sees it: only the length and address fields are read.
struct RecordHead {
  std::int32_t address;
  std::int32_t length;     // L, the record length field
  std::size_t dataOffset;  // where the record's data begins in the DIF
};

// Steps over the record heads from the first record's length field as the writer's record walk
// does, without checking markers or the block count, until fewer than 8 bytes remain. A head
// whose length cannot hold a byte ends the walk, so a damaged file can never make it stand still
// or step backwards. `visit` returns false to stop.
template <class Visit>
void walkRecordHeads(std::span<const std::uint8_t> dif, Visit&& visit);

// Where the `length` bytes starting at BIN address `start` lie in the DIF, given the record the
// walk stops at first (the one whose data covers `start`): nothing unless that record, inside
// the file, holds them all.
std::optional<std::size_t> blockInRecord(std::span<const std::uint8_t> dif, const RecordHead& head,
                                         std::int32_t start, std::int32_t length);

// Answers findBlockInDif for many blocks after one pass over the record heads, so a DIF with
// many records is written in O(n log n) instead of walking the file once per block.
class DifRecordIndex {
 public:
  explicit DifRecordIndex(std::span<const std::uint8_t> dif);

  std::optional<std::size_t> find(std::int32_t start, std::int32_t length) const;

 private:
  // Addresses [begin, end) whose first covering record in walk order is `record`.
  struct Segment {
    std::int64_t begin;
    std::int64_t end;
    std::size_t record;
  };

  void paintOverlapping();
  RecordHead head(std::size_t record) const;

  std::span<const std::uint8_t> dif_;
  // Only where each record's data begins: the heads are read again from the DIF when asked,
  // which keeps the index at 8 bytes a record for files of millions of records.
  std::vector<std::uint64_t> records_;
  std::vector<Segment> segments_;  // sorted by begin, disjoint; unused when ordered_
  bool ordered_ = true;            // heads ascend without overlap: search them directly
};

inline std::int64_t recordDataEnd(const RecordHead& head) {
  return std::int64_t{head.address} + head.length - kRecordLengthExtra;
}

// From a record's length field to its address field and to its data.
inline constexpr std::size_t kAddressAfterLength = kRecordAddressOffset - kRecordLengthOffset;
inline constexpr std::size_t kDataAfterLength = kRecordHeadSize - kRecordLengthOffset;
// From a record's data back to its address and length fields.
inline constexpr std::size_t kAddressBeforeData = kRecordHeadSize - kRecordAddressOffset;
inline constexpr std::size_t kLengthBeforeData = kDataAfterLength;

inline std::int32_t int32At(std::span<const std::uint8_t> dif, std::uint64_t p) {
  const std::uint8_t* b = dif.data() + p;
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
      static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

template <class Visit>
void walkRecordHeads(std::span<const std::uint8_t> dif, Visit&& visit) {
  // p walks the length fields; the markers in front of them are not read.
  const std::int64_t limit = static_cast<std::int64_t>(dif.size() - kDataAfterLength);
  for (std::int64_t p = kDifHeaderSize + kRecordLengthOffset; p <= limit;) {
    auto at = static_cast<std::uint64_t>(p);
    RecordHead head{int32At(dif, at + kAddressAfterLength), int32At(dif, at),
                    static_cast<std::size_t>(at + kDataAfterLength)};
    if (head.length <= kRecordLengthExtra || !visit(head)) return;
    p += std::int64_t{head.length} - kRecordLengthExtra + kRecordHeadSize;
  }
}

}  // namespace hm
