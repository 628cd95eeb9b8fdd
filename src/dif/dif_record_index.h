#pragma once

#include "dif/applied_dif.h"
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

// Where the lines of a DIF being edited take their bytes: what applying the DIF leaves at their
// addresses, so writing the lines again patches a BIN as the DIF did. Records that ascend without
// overlapping, as the program writes them, are searched in place after one pass over their heads
// (O(n log n) for n blocks, 8 bytes a record), and a line must lie inside one record. Only where
// records overlap or come out of order is the DIF applied once, into an AppliedDif, and a line may
// then lie anywhere the records cover.
class DifRecordIndex {
 public:
  explicit DifRecordIndex(std::span<const std::uint8_t> dif);

  // The `length` bytes from BIN address `start` on, inside the DIF or inside this index; nothing
  // when the DIF does not hold them all.
  std::optional<std::span<const std::uint8_t>> find(std::int32_t start, std::int32_t length) const;

 private:
  std::optional<std::span<const std::uint8_t>> findInRecord(std::int32_t start,
                                                            std::int32_t length) const;
  RecordHead head(std::size_t record) const;

  std::span<const std::uint8_t> dif_;
  // Only where each record's data begins: the heads are read again from the DIF when asked,
  // which keeps the index at 8 bytes a record for files of millions of records.
  std::vector<std::uint64_t> records_;  // empty unless the heads ascend without overlap
  std::optional<AppliedDif> applied_;   // only when they do not
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
