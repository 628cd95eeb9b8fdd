#include "search/regroup.h"

#include "blocks/block_line.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <numeric>
#include <string_view>
#include <vector>

namespace hm {

namespace {

// Normal-mode lines are "SSSSSS\tEEEEEE\tLL\tDD\t" at the least; longer ones just grow the arena.
constexpr std::size_t kTypicalLineBytes = 20;
constexpr std::size_t kTypicalDifLineBytes = 64;

// Arithmetic on values read back from lines is done wide and wrapped, so a line holding a
// negative or huge field cannot overflow a signed 32-bit sum.
std::int32_t wrap32(std::int64_t v) {
  return static_cast<std::int32_t>(v);
}

// What DIF-editing mode keeps of a line besides its addresses; the path text lives in one
// shared pool because the list's own storage is overwritten while the lines are rewritten.
struct DifPart {
  std::int32_t dataOffset;
  std::uint32_t pathOffset;
  std::uint32_t pathLength;
};

// What a line's first field shows of its start address.
std::int64_t sixDigitPrefix(std::int32_t start) {
  return static_cast<std::uint32_t>(start) & 0xFFFFFFu;
}

// Adds lines to a list that starts empty, each where BlockList::add would put it. Every line
// starts with its start address in six digits, so a start above the last line's sorts after it
// without comparing the texts.
class SortedAdder {
 public:
  explicit SortedAdder(BlockList& list) : list_(list) {}

  void add(std::string_view line, std::int32_t start) {
    std::int64_t prefix = sixDigitPrefix(start);
    if (prefix > lastPrefix_) {
      list_.insert(list_.count(), line);
      lastPrefix_ = prefix;
    } else if (list_.add(line) == list_.count() - 1) {
      lastPrefix_ = prefix;
    }
  }

 private:
  BlockList& list_;
  std::int64_t lastPrefix_ = -1;  // of the list's last line
};

struct Rows {
  std::vector<BlockSpan> spans;
  std::vector<DifPart> dif;
  std::string paths;
};

bool byAddress(const BlockSpan& a, const BlockSpan& b) {
  return a.start != b.start ? a.start < b.start : a.end < b.end;
}

// A line rewritten in place by the address dialog keeps its position even when its new start
// belongs elsewhere. The merge below relies on address order, and without it a line lying
// between such a line and its sorted place would be taken for part of a group and dropped.
void readInOrder(const BlockList& list, Rows& rows, bool difEdit) {
  int n = list.count();
  rows.spans.reserve(static_cast<std::size_t>(n));
  if (difEdit) rows.dif.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    std::string_view line = list.text(i);
    rows.spans.push_back(readBlockSpan(line));
    if (!difEdit) continue;
    DataSource source = readDataSource(line);
    rows.dif.push_back({source.offset, static_cast<std::uint32_t>(rows.paths.size()),
                        static_cast<std::uint32_t>(source.path.size())});
    rows.paths.append(source.path);
  }
  if (std::is_sorted(rows.spans.begin(), rows.spans.end(), byAddress)) return;
  if (!difEdit) {
    std::sort(rows.spans.begin(), rows.spans.end(), byAddress);
    return;
  }
  std::vector<std::size_t> order(rows.spans.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return byAddress(rows.spans[a], rows.spans[b]);
  });
  Rows sorted;
  sorted.paths = std::move(rows.paths);
  for (std::size_t k : order) {
    sorted.spans.push_back(rows.spans[k]);
    sorted.dif.push_back(rows.dif[k]);
  }
  rows = std::move(sorted);
}

// Joins each line with the following ones that overlap it or touch it, in place. A line that
// ends a group by lying past a gap opens the next one, so every line is read once.
void mergeTouching(std::vector<BlockSpan>& spans) {
  std::size_t n = spans.size();
  std::size_t m = 0;
  std::size_t i = 0;
  while (i < n) {
    BlockSpan group = spans[i];
    std::size_t j = i + 1;
    for (; j < n; ++j) {
      const BlockSpan& line = spans[j];
      if (line.start == group.start) {
        group.end = line.end;
      } else if (std::int64_t{line.start} - 1 > group.end) {
        break;
      } else if (group.end <= line.end) {
        group.end = line.end;
      }
    }
    spans[m++] = group;
    i = j;
  }
  spans.resize(m);
}

// The text every line is rewritten to, from the rows read back from the list.
class RowWriter {
 public:
  RowWriter(const Rows& rows, bool difEdit, std::int32_t targetLength)
      : rows_(rows), difEdit_(difEdit), targetLength_(targetLength) {
    line_.form = difEdit ? LineForm::DifEditing : LineForm::Normal;
  }

  // Valid until the next call; length() is then that line's length field.
  std::string_view line(std::size_t k) {
    std::size_t m = rows_.spans.size();
    auto [start, end] = rows_.spans[k];
    // A following line at offset 0 reads as no following line at all.
    std::int32_t nextStart = k + 1 < m ? rows_.spans[k + 1].start : 0;
    line_.distance = nextStart == 0 ? 0 : wrap32(std::int64_t{nextStart} - end - 1);
    // Only a block that begins inside the target is cut back to it: one wholly past its end (or
    // any block before a search) would be turned into a negative length, so it stays as written
    // and the DIF writer refuses it with its message.
    if (!difEdit_ && k + 1 == m && start < targetLength_ &&
        std::int64_t{end} > std::int64_t{targetLength_} - 1) {
      end = targetLength_ - 1;
    }
    line_.start = start;
    line_.end = end;
    line_.length = wrap32(std::int64_t{end} - start + 1);
    if (!difEdit_)
      return {numbers_, static_cast<std::size_t>(line_.writeNumbers(numbers_) - numbers_)};
    const DifPart& part = rows_.dif[k];
    line_.dataOffset = part.dataOffset;
    line_.dataPath.assign(rows_.paths, part.pathOffset, part.pathLength);
    text_.clear();
    line_.appendTo(text_);
    return text_;
  }

  std::int32_t length() const { return line_.length; }

 private:
  const Rows& rows_;
  bool difEdit_;
  std::int32_t targetLength_;
  BlockLine line_;
  char numbers_[BlockLine::kNumbersMax];
  std::string text_;
};

}  // namespace

void regroup(const RawBlocks& raw, int minDistance, BlockList& list) {
  BlockList::Batch batch(list);
  list.clear(true);
  if (raw.empty()) return;

  std::size_t groups = 1;
  for (std::size_t k = 1; k < raw.size(); ++k) groups += raw[k].distance > minDistance;
  list.reserve(groups, kTypicalLineBytes);

  SortedAdder adder(list);
  BlockLine line;
  char text[BlockLine::kNumbersMax];
  bool open = false;
  std::int32_t groupStart = 0;
  // The table runs from the end of the file down; lines are made from the start up.
  for (std::size_t k = raw.size(); k-- > 0;) {
    const RawBlock& block = raw[k];
    if (block.distance > minDistance || k == 0) {
      line.start = open ? groupStart : block.start;
      line.end = block.end;
      line.length = wrap32(std::int64_t{block.end} - line.start + 1);
      line.distance = block.distance;
      char* end = line.writeNumbers(text);
      adder.add({text, static_cast<std::size_t>(end - text)}, line.start);
      open = false;
    } else if (!open) {
      open = true;
      groupStart = block.start;
    }
  }
}

Totals recalc(BlockList& list, bool difEdit, std::int32_t targetLength) {
  BlockList::Batch batch(list);
  Rows rows;
  readInOrder(list, rows, difEdit);
  if (!difEdit) mergeTouching(rows.spans);

  RowWriter writer(rows, difEdit, targetLength);
  std::size_t m = rows.spans.size();
  Totals totals;
  totals.blocks = static_cast<int>(m);
  // Right after a regrouping every line already reads as it would be rewritten; such a list
  // is left in place, which saves rebuilding millions of lines for nothing.
  bool unchanged = static_cast<std::size_t>(list.count()) == m;
  for (std::size_t k = 0; unchanged && k < m; ++k) {
    int index = static_cast<int>(k);
    std::string_view line = writer.line(k);
    bool ascending =
        k == 0 || sixDigitPrefix(rows.spans[k].start) > sixDigitPrefix(rows.spans[k - 1].start) ||
        list.text(index - 1) <= line;
    unchanged = ascending && list.text(index) == line && list.itemData(index) == 0;
    totals.bytes += writer.length();
  }
  if (unchanged) {
    list.clearSelection();
    list.setCaret(-1);
    return totals;
  }

  totals.bytes = 0;
  list.clear(true);
  list.reserve(m, difEdit ? kTypicalDifLineBytes : kTypicalLineBytes);
  SortedAdder adder(list);
  for (std::size_t k = 0; k < m; ++k) {
    adder.add(writer.line(k), rows.spans[k].start);
    totals.bytes += writer.length();
  }
  return totals;
}

std::string totalsText(const Totals& totals) {
  return kTotalBytesText + std::to_string(totals.bytes) + kTotalBlocksText +
         std::to_string(totals.blocks);
}

}  // namespace hm
