#include "blocks/recalc.h"

#include "blocks/block_rows.h"
#include "platform/user_texts.h"

#include <algorithm>

namespace hm {

namespace {

// Lines read or written between two questions whether to go on.
constexpr int kLinesPerCheck = 1 << 16;
// How far the lines around an edit are redone before a whole pass is cheaper.
constexpr int kMaxWidening = 32;
constexpr std::size_t kFewChanges = 1 << 16;

// Asks `keepGoing` once per kLinesPerCheck lines.
class Pacer {
 public:
  explicit Pacer(const KeepGoing& keepGoing) : keepGoing_(keepGoing) {}
  bool step() { return ++lines_ % kLinesPerCheck != 0 || !keepGoing_ || keepGoing_(); }

 private:
  const KeepGoing& keepGoing_;
  int lines_ = 0;
};

// Into the order and groups the lines are written in.
void arrange(Rows& rows, bool difEdit) {
  rows.sortByAddress();
  if (!difEdit) rows.mergeTouching();
}

bool readRows(const BlockList& list, Rows& rows, bool difEdit, const KeepGoing& keepGoing) {
  rows.reserve(static_cast<std::size_t>(list.count()));
  for (int first = 0; first < list.count(); first += kLinesPerCheck) {
    if (first > 0 && keepGoing && !keepGoing()) return false;
    rows.read(list, first, std::min(first + kLinesPerCheck, list.count()), difEdit);
  }
  arrange(rows, difEdit);
  return true;
}

void applyMarks(BlockList& list, int index, std::uint8_t marks) {
  if (marks & kRowSelected) list.setSelected(index, true);
  if (marks & kRowCaret) list.setCaret(index);
}

// Adds every row's line to `into`, which starts empty. Nothing when told to stop.
std::optional<Totals> writeRows(const Rows& rows, RowWriter& writer, BlockList& into, bool difEdit,
                                std::int32_t targetLength, const KeepGoing& keepGoing) {
  into.reserve(rows.size(), !rows.dif.empty());
  SortedAdder adder(into);
  Pacer pacer(keepGoing);
  Totals totals;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (!pacer.step()) return std::nullopt;
    const BlockLine& line = writer.line(k);
    applyMarks(into, adder.add(line), rows.marks[k]);
    totals.bytes += line.length;
  }
  totals.blocks = into.count();
  if (adder.allAppended() && rows.withinImage()) {
    into.markSettled(totals.bytes, blockBytes, settledKey(difEdit, targetLength));
  }
  return totals;
}

// Right after a regrouping every line already is as it would be rewritten; such a list is left
// in place, which saves rebuilding millions of lines for nothing.
std::optional<Totals> leftAsItIs(const BlockList& list, const Rows& rows, RowWriter& writer) {
  const std::size_t m = rows.size();
  if (static_cast<std::size_t>(list.count()) != m) return std::nullopt;
  Totals totals;
  totals.blocks = static_cast<int>(m);
  for (std::size_t k = 0; k < m; ++k) {
    const int index = static_cast<int>(k);
    const BlockLine& line = writer.line(k);
    const bool ascending =
        k == 0 || sixDigitPrefix(rows.spans[k].start) > sixDigitPrefix(rows.spans[k - 1].start) ||
        list.compareText(index - 1, line) <= 0;
    if (!ascending || !list.holds(index, line) || list.itemData(index) != 0) return std::nullopt;
    totals.bytes += line.length;
  }
  return totals;
}

Totals recalcWhole(BlockList& list, bool difEdit, std::int32_t targetLength) {
  Rows rows;
  readRows(list, rows, difEdit, {});
  RowWriter writer(rows, difEdit, targetLength);
  if (std::optional<Totals> same = leftAsItIs(list, rows, writer)) {
    if (rows.withinImage()) {
      list.markSettled(same->bytes, blockBytes, settledKey(difEdit, targetLength));
    } else {
      list.markUnsettled();
    }
    return *same;
  }
  BlockList::Batch batch(list);
  list.clear(true);
  return *writeRows(rows, writer, list, difEdit, targetLength, {});
}

// The lines from `first` up to `last` (exclusive) rewritten as a whole pass would rewrite
// them, or nothing when a whole pass would also have moved them or their neighbours.
class Window {
 public:
  Window(BlockList& list, bool difEdit, std::int32_t targetLength)
      : list_(list), difEdit_(difEdit), targetLength_(targetLength) {}

  std::optional<Totals> redo();

 private:
  enum class Fit { Yes, WidenLeft, WidenRight };

  BlockSpan spanAt(int i) const { return list_.span(i); }
  std::uint8_t marksAt(int i) const {
    return static_cast<std::uint8_t>((list_.isSelected(i) ? kRowSelected : 0) |
                                     (i == list_.caret() ? kRowCaret : 0));
  }
  Fit readRows(Rows& rows);
  bool distanceStays(int i, std::int32_t nextStart) const;
  std::optional<Totals> rewrite(const Rows& rows);

  BlockList& list_;
  bool difEdit_;
  std::int32_t targetLength_;
  int first_ = 0;
  int last_ = 0;
};

// The line before the window keeps its text only when the line after it keeps its start.
bool Window::distanceStays(int i, std::int32_t nextStart) const {
  const std::int32_t end = list_.span(i).end;
  return list_.distance(i) == (nextStart == 0 ? 0 : wrap32(std::int64_t{nextStart} - end - 1));
}

// The rows in the order and groups a whole pass would give them, provided none of them belongs
// among (or joins) the lines on either side.
Window::Fit Window::readRows(Rows& rows) {
  const int n = list_.count();
  rows.reserve(static_cast<std::size_t>(last_ - first_));
  rows.read(list_, first_, last_, difEdit_);
  rows.sortByAddress();
  if (last_ < n && byAddress(spanAt(last_), rows.spans.back())) return Fit::WidenRight;
  if (first_ > 0 && byAddress(rows.spans.front(), spanAt(first_ - 1))) return Fit::WidenLeft;
  if (!difEdit_) {
    rows.mergeTouching();
    BlockSpan before = first_ > 0 ? spanAt(first_ - 1) : BlockSpan{};
    if (first_ > 0 && joins(before, rows.spans.front())) return Fit::WidenLeft;
    while (last_ < n && rows.absorb(spanAt(last_), marksAt(last_))) ++last_;
  }
  if (first_ > 0 && !distanceStays(first_ - 1, rows.spans.front().start)) return Fit::WidenLeft;
  return Fit::Yes;
}

std::optional<Totals> Window::redo() {
  const int n = list_.count();
  if (list_.changedFirst() > list_.changedLast()) return Totals{list_.unchangedWeight(), n};
  first_ = std::clamp(list_.changedFirst() - 1, 0, n);
  last_ = std::clamp(list_.changedLast() + 1, first_ + 1, n);
  for (int attempt = 0; attempt < kMaxWidening; ++attempt) {
    Rows rows;
    switch (readRows(rows)) {
      case Fit::WidenLeft:
        --first_;
        continue;
      case Fit::WidenRight:
        ++last_;
        continue;
      case Fit::Yes:
        if (!rows.withinImage()) return std::nullopt;
        return rewrite(rows);
    }
  }
  return std::nullopt;
}

// Lines a whole pass adds after the lines before them keep the list's order: the new lines
// must not sort before the line they follow, nor the line after them before them.
std::optional<Totals> Window::rewrite(const Rows& rows) {
  const int n = list_.count();
  RowWriter writer(rows, difEdit_, targetLength_, last_ == n, last_ < n ? spanAt(last_).start : 0);
  BlockList lines;
  std::int64_t bytes = list_.unchangedWeight();
  for (int i = first_; i < last_; ++i) {
    if (!list_.changedSinceSettled(i)) bytes -= blockBytes(list_.span(i));
  }
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const BlockLine& line = writer.line(k);
    const int index = static_cast<int>(k);
    const bool after = k > 0 ? lines.compareText(index - 1, line) <= 0
                             : first_ == 0 || list_.compareText(first_ - 1, line) <= 0;
    if (!after) return std::nullopt;
    applyMarks(lines, lines.insert(index, line), rows.marks[k]);
    bytes += line.length;
  }
  if (last_ < n && list_.compareText(last_, lines, lines.count() - 1) < 0) return std::nullopt;
  list_.replace(first_, last_ - first_, lines);
  list_.markSettled(bytes, blockBytes, settledKey(difEdit_, targetLength_));
  return Totals{bytes, list_.count()};
}

}  // namespace

std::size_t recalcWork(const BlockList& list, bool difEdit, std::int32_t targetLength) {
  if (!list.settled() || list.settledKey() != settledKey(difEdit, targetLength)) {
    return static_cast<std::size_t>(list.count());
  }
  return static_cast<std::size_t>(std::max(list.changedLast() - list.changedFirst() + 1, 0));
}

Totals recalculate(BlockList& list, bool difEdit, std::int32_t targetLength) {
  const std::size_t work = recalcWork(list, difEdit, targetLength);
  if (work < static_cast<std::size_t>(list.count()) &&
      work <= std::max(kFewChanges, static_cast<std::size_t>(list.count()) / 8)) {
    if (std::optional<Totals> totals = Window(list, difEdit, targetLength).redo()) return *totals;
  }
  return recalcWhole(list, difEdit, targetLength);
}

std::optional<Totals> recalcInto(const BlockList& from, BlockList& into, bool difEdit,
                                 std::int32_t targetLength, const KeepGoing& keepGoing) {
  Rows rows;
  if (!readRows(from, rows, difEdit, keepGoing)) return std::nullopt;
  RowWriter writer(rows, difEdit, targetLength);
  into.clear();
  return writeRows(rows, writer, into, difEdit, targetLength, keepGoing);
}

std::optional<Totals> recalcTaking(BlockList&& from, BlockList& into, bool difEdit,
                                   std::int32_t targetLength, const KeepGoing& keepGoing) {
  Rows rows;
  if (!readRows(from, rows, difEdit, keepGoing)) return std::nullopt;
  from.clear();
  RowWriter writer(rows, difEdit, targetLength);
  into.clear();
  return writeRows(rows, writer, into, difEdit, targetLength, keepGoing);
}

std::optional<Totals> recalcBlocks(PerRow<BlockSpan>&& blocks, BlockList& into, bool difEdit,
                                   std::int32_t targetLength, const KeepGoing& keepGoing) {
  Rows rows;
  rows.spans = std::move(blocks);
  rows.marks.assign(rows.spans.size(), 0);
  arrange(rows, difEdit);
  RowWriter writer(rows, difEdit, targetLength);
  into.clear();
  return writeRows(rows, writer, into, difEdit, targetLength, keepGoing);
}

std::string totalsText(const Totals& totals) {
  return kTotalBytesText + std::to_string(totals.bytes) + kTotalBlocksText +
         std::to_string(totals.blocks);
}

}  // namespace hm
