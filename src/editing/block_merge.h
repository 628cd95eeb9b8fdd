#pragma once

#include "blocks/block_list.h"

#include <string>

namespace hm {

inline constexpr const char* kMergeTooFewText = "Нужно выделить не менее 2 соседних блоков!";
inline constexpr const char* kMergeNotNeighboursText = "Объединять можно только соседние блоки!";
inline constexpr const char* kMergeConfirmText =
    "Вы действительно хотите объединить выделенные блоки?";
inline constexpr const char* kDeleteNothingText = "Нужно выделить блоки!";
inline constexpr const char* kDeleteConfirmText =
    "Вы действительно хотите удалить выделенные блоки?";

enum class MergeCheck { TooFew, NotNeighbouring, Ok };

struct MergeSpan {
  int low = 0;   // lowest selected position
  int high = 0;  // highest selected position
};

// Whether the selected lines form one unbroken run of list positions.
MergeCheck checkMerge(const BlockList& list, MergeSpan& span);

// The four-field line from the low line's start to the high line's end, with the high line's
// distance.
std::string mergedLine(const BlockList& list, const MergeSpan& span);

}  // namespace hm
