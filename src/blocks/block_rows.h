#pragma once

#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "platform/huge_pages.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The working rows the regrouping and the recalculation read lines into and write lines from.
namespace hm {

// One element per row, for millions of rows at once.
template <class T>
using PerRow = std::vector<T, HugePageAllocator<T>>;

// Arithmetic on values read back from lines is done wide and wrapped, so a line holding a
// negative or huge field cannot overflow a signed 32-bit sum.
inline std::int32_t wrap32(std::int64_t v) {
  return static_cast<std::int32_t>(v);
}

// What a line's first field shows of its start address.
inline std::int64_t sixDigitPrefix(std::int32_t start) {
  return static_cast<std::uint32_t>(start) & 0xFFFFFFu;
}

// A line's share of the byte total: its block's length.
std::int64_t blockBytes(BlockSpan span);

// What a settled list was settled for: the mode and the target it was recalculated against.
inline std::uint64_t settledKey(bool difEdit, std::int32_t targetLength) {
  return (std::uint64_t{static_cast<std::uint32_t>(targetLength)} << 1) | (difEdit ? 1u : 0u);
}

// The recalculation's rule for a line met after a group in address order: whether it joins the
// group, whose end it then moves.
bool joins(BlockSpan& group, const BlockSpan& line);

// What a row carries of its lines' selection.
enum RowMark : std::uint8_t { kRowSelected = 1, kRowCaret = 2 };

// The blocks of a run of list lines. A row that stands for several joined lines is selected
// when any of them was, and holds the caret when one of them did.
struct Rows {
  // What DIF-editing mode keeps of a line besides its addresses; the path text lives in one
  // shared pool because the list's own paths go when the lines are rewritten in place.
  struct DifPart {
    std::int32_t dataOffset;
    std::uint32_t pathOffset;
    std::uint32_t pathLength;
  };

  PerRow<BlockSpan> spans;
  PerRow<std::uint8_t> marks;
  // DIF-editing mode only, and only from the first row whose bytes are not the DIF's own at
  // offset 0: before that, as for every line of a DIF just opened, it stays empty.
  PerRow<DifPart> dif;
  std::string paths;

  std::size_t size() const { return spans.size(); }

  void reserve(std::size_t n);
  // Lines [first, last) of `list`, after those read before.
  void read(const BlockList& list, int first, int last, bool difEdit);
  // Into (start, end) order, keeping lines of equal addresses in their order. A line rewritten
  // in place by the address dialog keeps its position even when its new start belongs
  // elsewhere, and the joining below relies on address order.
  void sortByAddress();
  // Joins each row with the following ones that overlap it or touch it.
  void mergeTouching();
  // Joins `span` into the last row if it overlaps or touches it, as mergeTouching would.
  bool absorb(BlockSpan span, std::uint8_t marks);
  // Every row within the largest image with its end not before its start: such rows read back
  // from their lines as they were written.
  bool withinImage() const;
};

bool byAddress(const BlockSpan& a, const BlockSpan& b);

// The line every row is rewritten to.
class RowWriter {
 public:
  // `endsList`: the rows run to the end of the list, so the last one is clamped to the target;
  // otherwise `nextStart` is the start of the line after them.
  RowWriter(const Rows& rows, bool difEdit, std::int32_t targetLength, bool endsList = true,
            std::int32_t nextStart = 0);

  // Valid until the next call.
  const BlockLine& line(std::size_t k);

 private:
  const Rows& rows_;
  bool difEdit_;
  std::int32_t targetLength_;
  bool endsList_;
  std::int32_t nextStart_;
  BlockLine line_;
};

// Adds lines to a list that starts empty, each where BlockList::add would put it. Every line's
// text starts with its start address in six digits, so a start above the last line's sorts after
// it without comparing anything else.
class SortedAdder {
 public:
  explicit SortedAdder(BlockList& list) : list_(list) {}

  // Returns where the line went.
  int add(const BlockLine& line);
  // Whether every line went to the end, so the list's order is the order they came in.
  bool allAppended() const { return allAppended_; }

 private:
  BlockList& list_;
  std::int64_t lastPrefix_ = -1;  // of the list's last line
  bool allAppended_ = true;
};

}  // namespace hm
