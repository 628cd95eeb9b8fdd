#pragma once

#include "blocks/block_list.h"
#include "blocks/recalc.h"
#include "search/diff_search.h"

#include <cstdint>
#include <optional>

namespace hm {

inline constexpr int kMinDistanceLow = 0;
inline constexpr int kMinDistanceHigh = 128;
inline constexpr int kMinDistanceStart = 8;

// Clears the list and adds one four-field line per group of raw blocks whose gaps are at most
// `minDistance`. Callers follow it with recalculate(); given the target's length, a list that
// already reads as the recalculation would write it is left settled, so that recalculate() has
// nothing to do. Returns false when `keepGoing` said stop, with the list incomplete.
bool regroup(const RawBlocks& raw, int minDistance, BlockList& list,
             std::optional<std::int32_t> targetLength = std::nullopt,
             const KeepGoing& keepGoing = {});

}  // namespace hm
