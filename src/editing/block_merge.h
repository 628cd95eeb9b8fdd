#pragma once

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "platform/user_texts.h"

#include <string>

namespace hm {

enum class MergeCheck { TooFew, NotNeighbouring, Ok };

struct MergeSpan {
  int low = 0;   // lowest selected position
  int high = 0;  // highest selected position
};

// Whether the selected lines form one unbroken run of list positions.
MergeCheck checkMerge(const BlockList& list, MergeSpan& span);

// The four-field line from the low line's start to the high line's end, with the high line's
// distance.
BlockLine mergedLine(const BlockList& list, const MergeSpan& span);

}  // namespace hm
