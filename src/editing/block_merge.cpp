#include "editing/block_merge.h"

#include "blocks/hex_format.h"

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
  const std::int32_t start = lineField(list.text(span.low), 1).value;
  const std::int32_t end = lineField(list.text(span.high), 2).value;
  const std::int32_t distance = lineField(list.text(span.high), 4).value;
  std::string line;
  appendHexField(line, start, 6);
  appendHexField(line, end, 6);
  appendHexField(line, end - start + 1, 0);
  appendHexField(line, distance, 0);
  return line;
}

}  // namespace hm
