#pragma once

#include "blocks/block_list.h"
#include "search/diff_search.h"

#include <cstdint>
#include <string>

namespace hm {

inline constexpr int kMinDistanceLow = 0;
inline constexpr int kMinDistanceHigh = 128;
inline constexpr int kMinDistanceStart = 8;

// Clears the list and adds one four-field line per group of raw blocks whose gaps are at most
// `minDistance`. Does not recalculate; callers follow it with recalc().
void regroup(const RawBlocks& raw, int minDistance, BlockList& list);

struct Totals {
  std::int64_t bytes = 0;
  int blocks = 0;
};

// Rewrites every line from the list itself: in normal mode joins lines that overlap or touch
// and clamps the last one to the target; in DIF-editing mode keeps lines apart and keeps their
// data offset and path. Recomputes lengths and distances.
Totals recalc(BlockList& list, bool difEdit, std::int32_t targetLength);

// "Кол-во байтов: N;    Блоков: M"
std::string totalsText(const Totals& totals);

}  // namespace hm
