#include "dif/applied_dif.h"

#include "dif/dif_format.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace hm {

AppliedDif::AppliedDif(std::span<const std::uint8_t> dif) {
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  walkDif(dif, [&](const DifRecord& record) {
    spans.emplace_back(record.address, std::int64_t{record.address} + record.length);
  });
  std::sort(spans.begin(), spans.end());
  std::size_t held = 0;
  for (const auto& [begin, end] : spans) {
    // Touching spans join too: a line over both is covered.
    if (!runs_.empty() && begin <= runs_.back().end) {
      const std::int64_t grown = std::max(runs_.back().end, end);
      held += static_cast<std::size_t>(grown - runs_.back().end);
      runs_.back().end = grown;
      continue;
    }
    runs_.push_back({begin, end, held});
    held += static_cast<std::size_t>(end - begin);
  }
  // Every byte of a run is written below before any is handed out.
  image_ = ByteImage::uninitialized(held);
  walkDif(dif, [&](const DifRecord& record) {
    const Run* run = runHolding(record.address);
    std::memcpy(image_.data() + run->at + static_cast<std::size_t>(record.address - run->begin),
                dif.data() + record.dataOffset, static_cast<std::size_t>(record.length));
  });
}

const AppliedDif::Run* AppliedDif::runHolding(std::int64_t address) const {
  auto after = std::upper_bound(runs_.begin(), runs_.end(), address,
                                [](std::int64_t a, const Run& run) { return a < run.begin; });
  if (after == runs_.begin()) return nullptr;
  const Run* run = &*std::prev(after);
  return address < run->end ? run : nullptr;
}

std::optional<std::span<const std::uint8_t>> AppliedDif::bytes(std::int32_t start,
                                                               std::int32_t length) const {
  if (length <= 0) return std::nullopt;
  const Run* run = runHolding(start);
  if (!run || std::int64_t{start} + length > run->end) return std::nullopt;
  return image_.bytes().subspan(run->at + static_cast<std::size_t>(start - run->begin),
                                static_cast<std::size_t>(length));
}

}  // namespace hm
