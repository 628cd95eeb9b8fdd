#include "editing/block_merge.h"

#include "blocks/block_line.h"

namespace hm {

MergeCheck checkMerge(const BlockList& list, MergeSpan& span) {
  if (list.selCount() < 2) return MergeCheck::TooFew;
  bool met = false;
  bool gap = false;
  for (int i = list.count() - 1; i >= 0; --i) {
    if (list.isSelected(i)) {
      if (gap) return MergeCheck::NotNeighbouring;
      if (!met) span.high = i;
      met = true;
      span.low = i;
    } else if (met) {
      gap = true;
    }
  }
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
