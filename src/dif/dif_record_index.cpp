#include "dif/dif_record_index.h"

#include <algorithm>
#include <climits>

namespace hm {

namespace {

// Where the `length` bytes starting at BIN address `start` lie in the DIF, given the record whose
// data covers `start`: nothing unless that record, inside the file, holds them all.
std::optional<std::size_t> blockInRecord(std::span<const std::uint8_t> dif, const RecordHead& head,
                                         std::int32_t start, std::int32_t length) {
  if (length <= 0 || std::int64_t{start} + length > recordDataEnd(head)) return std::nullopt;
  std::uint64_t offset =
      head.dataOffset + static_cast<std::uint64_t>(start - std::int64_t{head.address});
  if (offset + static_cast<std::uint64_t>(length) > dif.size()) return std::nullopt;
  return static_cast<std::size_t>(offset);
}

}  // namespace

DifRecordIndex::DifRecordIndex(std::span<const std::uint8_t> dif) : dif_(dif) {
  std::int64_t lastEnd = INT64_MIN;
  bool ordered = true;
  walkRecordHeads(dif, [&](const RecordHead& head) {
    ordered = head.address >= lastEnd;
    lastEnd = recordDataEnd(head);
    if (ordered) records_.push_back(head.dataOffset);
    return ordered;
  });
  if (ordered) return;
  records_ = {};
  applied_.emplace(dif);
}

RecordHead DifRecordIndex::head(std::size_t record) const {
  std::uint64_t data = records_[record];
  return {int32At(dif_, data - kAddressBeforeData), int32At(dif_, data - kLengthBeforeData),
          static_cast<std::size_t>(data)};
}

std::optional<std::span<const std::uint8_t>> DifRecordIndex::find(std::int32_t start,
                                                                  std::int32_t length) const {
  return applied_ ? applied_->bytes(start, length) : findInRecord(start, length);
}

std::optional<std::span<const std::uint8_t>> DifRecordIndex::findInRecord(
    std::int32_t start, std::int32_t length) const {
  auto it = std::upper_bound(records_.begin(), records_.end(), start,
                             [this](std::int32_t s, std::uint64_t data) {
                               return s < int32At(dif_, data - kAddressBeforeData);
                             });
  if (it == records_.begin()) return std::nullopt;
  const RecordHead h = head(static_cast<std::size_t>(std::prev(it) - records_.begin()));
  if (start >= recordDataEnd(h)) return std::nullopt;
  std::optional<std::size_t> at = blockInRecord(dif_, h, start, length);
  if (!at) return std::nullopt;
  return dif_.subspan(*at, static_cast<std::size_t>(length));
}

}  // namespace hm
