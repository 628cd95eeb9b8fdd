#include "dif/dif_record_index.h"

#include <algorithm>
#include <climits>
#include <map>

namespace hm {

std::optional<std::size_t> blockInRecord(std::span<const std::uint8_t> dif, const RecordHead& head,
                                         std::int32_t start, std::int32_t length) {
  if (length <= 0 || std::int64_t{start} + length > recordDataEnd(head)) return std::nullopt;
  std::uint64_t offset =
      head.dataOffset + static_cast<std::uint64_t>(start - std::int64_t{head.address});
  if (offset + static_cast<std::uint64_t>(length) > dif.size()) return std::nullopt;
  return static_cast<std::size_t>(offset);
}

DifRecordIndex::DifRecordIndex(std::span<const std::uint8_t> dif) : dif_(dif) {
  std::int64_t lastEnd = INT64_MIN;
  walkRecordHeads(dif, [&](const RecordHead& head) {
    if (head.address < lastEnd) ordered_ = false;
    lastEnd = recordDataEnd(head);
    records_.push_back(head.dataOffset);
    return true;
  });
  if (!ordered_) paintOverlapping();
}

RecordHead DifRecordIndex::head(std::size_t record) const {
  std::uint64_t data = records_[record];
  return {int32At(dif_, data - kAddressBeforeData), int32At(dif_, data - kLengthBeforeData),
          static_cast<std::size_t>(data)};
}

// Gives every address to the first record in walk order that covers it. `covered` holds the
// union of the records seen so far as disjoint runs, so each record only claims its gaps and
// every run is merged away at most once.
void DifRecordIndex::paintOverlapping() {
  std::map<std::int64_t, std::int64_t> covered;
  for (std::size_t r = 0; r < records_.size(); ++r) {
    const RecordHead h = head(r);
    std::int64_t begin = h.address;
    std::int64_t end = recordDataEnd(h);
    auto it = covered.upper_bound(begin);
    if (it != covered.begin() && std::prev(it)->second >= begin) --it;
    std::int64_t claimed = begin;
    std::int64_t unionBegin = begin;
    std::int64_t unionEnd = end;
    while (it != covered.end() && it->first <= end) {
      if (it->first > claimed) segments_.push_back({claimed, it->first, r});
      claimed = std::max(claimed, it->second);
      unionBegin = std::min(unionBegin, it->first);
      unionEnd = std::max(unionEnd, it->second);
      it = covered.erase(it);
    }
    if (claimed < end) segments_.push_back({claimed, end, r});
    covered.emplace(unionBegin, unionEnd);
  }
  std::sort(segments_.begin(), segments_.end(),
            [](const Segment& a, const Segment& b) { return a.begin < b.begin; });
}

std::optional<std::size_t> DifRecordIndex::find(std::int32_t start, std::int32_t length) const {
  std::optional<RecordHead> found;
  if (ordered_) {
    auto it = std::upper_bound(records_.begin(), records_.end(), start,
                               [this](std::int32_t s, std::uint64_t data) {
                                 return s < int32At(dif_, data - kAddressBeforeData);
                               });
    if (it != records_.begin()) {
      RecordHead h = head(static_cast<std::size_t>(std::prev(it) - records_.begin()));
      if (start < recordDataEnd(h)) found = h;
    }
  } else {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), start,
                               [](std::int32_t s, const Segment& g) { return s < g.begin; });
    if (it != segments_.begin() && start < std::prev(it)->end) found = head(std::prev(it)->record);
  }
  if (!found) return std::nullopt;
  return blockInRecord(dif_, *found, start, length);
}

}  // namespace hm
