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

std::string mergedLine(const BlockList& list, const MergeSpan& span) {
  const BlockLine low = BlockLine::parse(list.text(span.low));
  const BlockLine high = BlockLine::parse(list.text(span.high));
  BlockLine merged;
  merged.start = low.start;
  merged.end = high.end;
  merged.length = high.end - low.start + 1;
  merged.distance = high.distance;
  return merged.text();
}

}  // namespace hm
