#pragma once

#include "blocks/block_list.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace hm {

// What one edit of a block list did, kept so it can be taken back and done again. An edit of a
// few lines keeps those lines as they were and as they became, not the list; a rebuild of the
// whole list keeps the list it replaced, taken over rather than copied, and from then on the
// edit's further changes need not be kept: exchanging the two lists does and undoes them all.
//
// Undoing and redoing leave the lines, their selection marks and their item values exactly as
// they were; the caret and the settled state are the caller's to put back.
class ListJournal {
 public:
  ListJournal() = default;
  ListJournal(ListJournal&&) noexcept = default;
  ListJournal& operator=(ListJournal&&) noexcept = default;
  ~ListJournal();

  // Told by the list before each change; `line` holds the one line that comes in.
  void inserting(int index, const BlockList& line);
  void removing(const BlockList& list, int index);
  void rewritingCaret(const BlockList& list, const BlockList& line);
  void replacing(const BlockList& list, int first, int count, const BlockList& lines);
  void removingSelected(const BlockList& list);
  void replacingAll(BlockList& list);

  // Takes the list back to before the first change written here, or from there forward to
  // after the last. The list must be as the other direction left it.
  void undo(BlockList& list);
  void redo(BlockList& list);

  bool empty() const { return changes_.empty(); }
  std::size_t memoryBytes() const { return bytes_; }

 private:
  struct Change {
    enum class Kind { Lines, Rows, Whole };
    Kind kind = Kind::Lines;
    int at = 0;
    std::vector<int> rows;              // Rows: where the removed lines stood
    std::unique_ptr<BlockList> before;  // Lines: as they were; Rows: removed; Whole: the other list
    std::unique_ptr<BlockList> after;   // Lines: as they became
  };

  void add(Change change);

  std::vector<Change> changes_;
  bool whole_ = false;  // the list was replaced: what follows is undone with it
  std::size_t bytes_ = 0;
};

}  // namespace hm
