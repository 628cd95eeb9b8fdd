#include "search/forward_grouping.h"

#include "search/byte_masks.h"

#include <algorithm>
#include <bit>

namespace hm {

ForwardGrouping::ForwardGrouping(int minDistance, GroupSink& sink)
    : minDistance_(minDistance), sink_(sink) {}

void ForwardGrouping::feed(const std::uint8_t* target, const std::uint8_t* source,
                           std::size_t length, std::size_t common) {
  target_ = target;
  source_ = source;
  scanCommon(common);
  // The target's bytes past the source's end are one run with whatever differs before them.
  if (common < length && !inRun_) {
    inRun_ = true;
    runStart_ = common;
  }
  if (inRun_) run(runStart_, length);
  inRun_ = false;
  keepGap(length);
  base_ += static_cast<std::int64_t>(length);
}

void ForwardGrouping::finish() {
  if (open_) sink_.close();
  open_ = false;
  gap_.clear();
}

void ForwardGrouping::scanCommon(std::size_t common) {
  std::size_t at = 0;
  for (; common - at >= 64; at += 64) {
    std::uint64_t diff = diffMask64(source_ + at, target_ + at);
    if (diff == (inRun_ ? kAllDiffer : 0)) continue;
    walk(diff, at, 64);
  }
  if (at < common) walk(diffMaskShort(source_ + at, target_ + at, common - at), at, common - at);
}

// Turns the edges between equal and differing bytes of one window into runs; a run still
// differing at the window's top stays open.
void ForwardGrouping::walk(std::uint64_t diff, std::size_t base, std::size_t width) {
  const std::uint64_t inside = width >= 64 ? kAllDiffer : (std::uint64_t{1} << width) - 1;
  std::size_t bit = 0;
  while (bit < width) {
    std::uint64_t ahead = (inRun_ ? ~diff : diff) & inside & (kAllDiffer << bit);
    if (ahead == 0) return;
    bit = static_cast<std::size_t>(std::countr_zero(ahead));
    if (inRun_) {
      run(runStart_, base + bit);
      inRun_ = false;
    } else {
      inRun_ = true;
      runStart_ = base + bit;
    }
  }
}

// Bytes [from, to) of the piece differ: they join the open group when the equal bytes since its
// last differing byte are few enough, and open a new group otherwise.
void ForwardGrouping::run(std::size_t from, std::size_t to) {
  const std::int64_t start = base_ + static_cast<std::int64_t>(from);
  differences_ += to - from;
  if (open_ && start - groupEnd_ > minDistance_) {
    sink_.close();
    open_ = false;
    gap_.clear();
  }
  std::size_t first = from;
  if (open_) {
    // Equal bytes, so the kept copy stands for both images.
    if (!gap_.empty()) sink_.bytes(gap_, gap_);
    gap_.clear();
    first = static_cast<std::size_t>(std::max<std::int64_t>(passedTo_ - base_, 0));
  } else {
    sink_.open(static_cast<std::int32_t>(start));
    open_ = true;
    ++groups_;
  }
  sink_.bytes({target_ + first, to - first}, {source_ + first, to - first});
  groupEnd_ = base_ + static_cast<std::int64_t>(to);
  passedTo_ = groupEnd_;
}

// The equal bytes after the open group's last run, to the piece's end, are kept while a later
// run may still take them.
void ForwardGrouping::keepGap(std::size_t length) {
  if (!open_) return;
  const std::int64_t end = base_ + static_cast<std::int64_t>(length);
  if (end - groupEnd_ > minDistance_) {
    sink_.close();
    open_ = false;
    gap_.clear();
    return;
  }
  const auto first = static_cast<std::size_t>(std::max<std::int64_t>(passedTo_ - base_, 0));
  gap_.insert(gap_.end(), target_ + first, target_ + length);
  passedTo_ = end;
}

}  // namespace hm
