#include "editing/block_merge.h"

#include "blocks/block_line.h"

namespace hm {

MergeCheck checkMerge(const BlockList& list, MergeSpan& span) {
  if (list.selCount() < 2) return MergeCheck::TooFew;
  span.high = list.lastSelected();
  span.low = list.firstSelected();
  // Neighbours only: every line between the first and the last selected one is selected.
  if (span.high - span.low + 1 != list.selCount()) return MergeCheck::NotNeighbouring;
  return MergeCheck::Ok;
}

BlockLine mergedLine(const BlockList& list, const MergeSpan& span) {
  const BlockSpan low = list.span(span.low);
  const BlockSpan high = list.span(span.high);
  BlockLine merged;
  merged.start = low.start;
  merged.end = high.end;
  merged.length = high.end - low.start + 1;
  merged.distance = list.distance(span.high);
  return merged;
}

}  // namespace hm
