#pragma once

#include "blocks/block_list.h"
#include "blocks/block_rows.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hm {

struct Totals {
  std::int64_t bytes = 0;
  int blocks = 0;
};

// Asked now and then during long work on a list; false ends it early.
using KeepGoing = std::function<bool()>;

// Rewrites every line from the list itself: in normal mode joins lines that overlap or touch
// and clamps the last one to the target; in DIF-editing mode keeps lines apart and keeps their
// data offset and path. Recomputes lengths and distances. A line made of several keeps the
// selection any of them had and the caret if one of them had it.
//
// A list that a recalculation (or a regrouping) left settled is redone only around the lines
// changed since, with the same result as a pass over every line.
Totals recalculate(BlockList& list, bool difEdit, std::int32_t targetLength);

// About how many lines recalculate() would read: few after an edit of a list it settled for the
// same mode and target, all of them otherwise.
std::size_t recalcWork(const BlockList& list, bool difEdit, std::int32_t targetLength);

// recalculate() into an empty list `into`, reading `from` without changing it, so the work can run
// beside a window that shows `from`. Nothing when `keepGoing` said stop.
std::optional<Totals> recalcInto(const BlockList& from, BlockList& into, bool difEdit,
                                 std::int32_t targetLength, const KeepGoing& keepGoing);

// recalcInto() from a list nobody else reads, emptied as soon as its rows are read, so that the
// two lists are never held whole at once.
std::optional<Totals> recalcTaking(BlockList&& from, BlockList& into, bool difEdit,
                                   std::int32_t targetLength, const KeepGoing& keepGoing);

// recalcTaking() from a list of unselected address-only lines, given as their blocks in any
// order: what the recalculation makes of a DIF's records without listing them first.
std::optional<Totals> recalcBlocks(PerRow<BlockSpan>&& blocks, BlockList& into, bool difEdit,
                                   std::int32_t targetLength, const KeepGoing& keepGoing);

// "Кол-во байтов: N;    Блоков: M"
std::string totalsText(const Totals& totals);

}  // namespace hm
