#include "search/regroup.h"

#include "blocks/block_line.h"
#include "blocks/block_rows.h"
#include "platform/user_texts.h"

namespace hm {

namespace {

constexpr std::size_t kBlocksPerCheck = 1 << 16;

// Whether the lines made so far are what the recalculation would write: blocks within the
// image, each gap at least one byte and equal to the distance written, the last block inside
// the target, every line added at the end.
class SettledCheck {
 public:
  explicit SettledCheck(std::optional<std::int32_t> targetLength)
      : targetLength_(targetLength), holds_(targetLength.has_value()) {}

  void line(const RawBlock& last, std::int32_t start, const RawBlock* next) {
    if (!holds_) return;
    const std::int64_t gap = next ? std::int64_t{next->start} - last.end - 1 : 0;
    holds_ = start >= 0 && start <= last.end && last.end <= 0xFFFFFF && gap == last.distance &&
             (next ? gap >= 1 : last.end < *targetLength_);
  }
  bool holds(const SortedAdder& adder) const { return holds_ && adder.allAppended(); }

 private:
  std::optional<std::int32_t> targetLength_;
  bool holds_;
};

}  // namespace

bool regroup(const RawBlocks& raw, int minDistance, BlockList& list,
             std::optional<std::int32_t> targetLength, const KeepGoing& keepGoing) {
  BlockList::Batch batch(list);
  list.clear(true);
  if (raw.empty()) return true;

  std::size_t groups = 1;
  for (std::size_t k = 1; k < raw.size(); ++k) groups += raw[k].distance > minDistance;
  list.reserve(groups);

  SortedAdder adder(list);
  SettledCheck check(targetLength);
  BlockLine line;
  bool open = false;
  std::int32_t groupStart = 0;
  std::int64_t bytes = 0;
  // The table runs from the end of the file down; lines are made from the start up.
  for (std::size_t k = raw.size(); k-- > 0;) {
    if (k % kBlocksPerCheck == 0 && keepGoing && !keepGoing()) return false;
    const RawBlock block = raw[k];
    if (block.distance > minDistance || k == 0) {
      line.start = open ? groupStart : block.start;
      line.end = block.end;
      line.length = wrap32(std::int64_t{block.end} - line.start + 1);
      line.distance = block.distance;
      adder.add(line);
      const RawBlock next = k > 0 ? raw[k - 1] : RawBlock{};
      check.line(block, line.start, k > 0 ? &next : nullptr);
      bytes += line.length;
      open = false;
    } else if (!open) {
      open = true;
      groupStart = block.start;
    }
  }
  if (check.holds(adder)) list.markSettled(bytes, blockBytes, settledKey(false, *targetLength));
  return true;
}

}  // namespace hm
