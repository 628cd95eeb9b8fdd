#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hm {

class ListJournal;

// Told about every change of a BlockList, so a view can follow it without copying lines.
class BlockListObserver {
 public:
  virtual ~BlockListObserver() = default;
  virtual void aboutToInsert(int first, int last) = 0;
  virtual void inserted() = 0;
  virtual void aboutToRemove(int first, int last) = 0;
  virtual void removed() = 0;
  virtual void changed(int row) = 0;
  virtual void aboutToReset() = 0;
  virtual void reset() = 0;
};

// The block list: the only store of blocks, one text line each, kept sorted by text when lines
// are added with add(). Lines live in one character arena so millions of them stay cheap.
//
// A list can be marked settled: from then on it keeps track of where lines were added, removed
// or rewritten, and of the total weight of the lines left as they were, so that work which
// depends only on neighbouring lines (the recalculation) can redo just the changed part.
class BlockList {
 public:
  BlockList() = default;
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  void setObserver(BlockListObserver* observer) { observer_ = observer; }
  // While a journal is attached, every change of the lines is written to it first, so that it
  // can be taken back and done again (see ListJournal).
  void setJournal(ListJournal* journal) { journal_ = journal; }
  // Changes with every change of the lines (not of the caret or the selection): whoever kept
  // the number knows whether the lines are still the ones it saw.
  std::uint64_t version() const { return version_; }

  // ListAdd: into its sorted place (after equal lines); returns the index.
  int add(std::string_view line);
  // ListInsert: at `index` (clamped to the end), no sorting.
  int insert(int index, std::string_view line, std::int32_t itemData = 0);
  // ListDelete; an index outside the list is ignored.
  void remove(int index);
  // Removes every selected line, as a downward walk deleting each would.
  void removeSelected();
  // ListClear. The kept capacity lets a list that is rebuilt at once avoid growing again.
  void clear(bool keepCapacity = false);
  // ListReplaceCaret: the caret line gets the new text in place and keeps its item value.
  void replaceCaret(std::string_view line);
  // Puts the lines of `lines`, with their selection and item values, in place of the `count`
  // lines from `first`. A caret among the replaced lines moves to the caret of `lines` (none
  // when it has none); the list is no longer settled.
  void replace(int first, int count, const BlockList& lines);
  // Takes over the lines, selection, caret and settled state of `other`, which is left empty.
  // The observer stays.
  void assign(BlockList&& other);
  // Exchanges the lines, selection, caret and settled state with `other`; observers, journals
  // and batches stay where they are.
  void swapLines(BlockList& other);
  // Removes the lines at `rows` (ascending), or puts the lines of `lines` back at the rows
  // they are to have (ascending, as indices of the longer list): one pass over the list each,
  // however many lines. The list is no longer settled.
  void removeRows(const std::vector<int>& rows);
  void insertRows(const std::vector<int>& rows, const BlockList& lines);
  // Appends the `count` lines from `first` of `from` with their selection and item values, and
  // the caret when it is among them.
  void appendCopy(const BlockList& from, int first, int count);
  // About how much memory the list holds.
  std::size_t memoryBytes() const;

  int count() const { return static_cast<int>(entries_.size()); }
  std::string_view text(int index) const;  // empty outside the list
  std::int32_t itemData(int index) const;  // -1 outside the list, as a list box answers

  int caret() const { return caret_; }  // -1 when there is none
  void setCaret(int index);
  bool isSelected(int index) const;
  void setSelected(int index, bool selected);
  // Lines from `first` to `last` (either order, clamped to the list).
  void setSelected(int first, int last, bool selected);
  // Costs the span of lines that were selected, not the length of the list.
  void clearSelection();
  int selCount() const { return selected_; }
  // The first and the last selected line, -1 when none; found among the lines that were
  // selected lately, not by reading the whole list.
  int firstSelected() const;
  int lastSelected() const;

  // Changes made while a Batch lives reach the observer as one reset.
  class Batch {
   public:
    explicit Batch(BlockList& list);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    BlockList& list_;
  };

  // Room for `lines` lines of about `bytesPerLine` characters, for bulk rebuilding, with a
  // little to spare so that the first edits of a rebuilt list do not copy it whole.
  void reserve(std::size_t lines, std::size_t bytesPerLine);

  // What a line weighs in the settled total (the recalculation: its block's length).
  using Weigh = std::int64_t (*)(std::string_view line);
  // Every line is as settled work left it under the conditions `key` stands for, and their
  // weights add up to `weight`.
  void markSettled(std::int64_t weight, Weigh weigh, std::uint64_t key);
  // Every line counts as changed until the list is settled again.
  void markUnsettled();
  bool settled() const { return settled_; }
  std::uint64_t settledKey() const { return settledKey_; }
  // Settled lists only. Every line added or rewritten since, and both lines on either side of a
  // removal, lie in [first, last] (first > last: nothing changed). Lines outside it are as they
  // were, and two neighbours outside it were neighbours then.
  int changedFirst() const { return changed_.first; }
  int changedLast() const { return changed_.last; }
  // Whether the line was added or rewritten since the list was settled.
  bool changedSinceSettled(int index) const;
  // The weight of the lines not added or rewritten since.
  std::int64_t unchangedWeight() const { return unchangedWeight_; }

  // Whether the list is settled with nothing changed since, and how: what a list taken back to
  // these very lines may be marked again.
  struct Settlement {
    bool settled = false;
    std::int64_t weight = 0;
    Weigh weigh = nullptr;
    std::uint64_t key = 0;
  };
  Settlement settlement() const;
  void restoreSettlement(const Settlement& settlement);

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t length : 30;
    std::uint32_t selected : 1;
    std::uint32_t changed : 1;  // only while settled
    std::int32_t itemData;
  };

  // An index range that only grows; empty when first > last.
  struct Span {
    int first = 0;
    int last = -1;
    bool empty() const { return first > last; }
    bool holds(int index) const { return index >= first && index <= last; }
    void include(int index);
    void clear() { *this = {}; }
    // Follows the lines it holds over an insertion or removal at `index`.
    void inserted(int index);
    void removed(int index);
  };

  std::uint32_t store(std::string_view line);
  void compactIfWasteful();
  bool notifying() const { return observer_ && batchDepth_ == 0; }
  void forgetChange(Entry& e);
  void joinedAt(int index);
  void clearChangedMarks();
  void notifyReset();

  std::vector<char> arena_;
  std::vector<Entry> entries_;
  std::size_t garbage_ = 0;
  int caret_ = -1;
  int selected_ = 0;
  Span selectedSpan_;  // holds every selected line
  bool settled_ = false;
  Span changed_;
  std::int64_t unchangedWeight_ = 0;
  Weigh weigh_ = nullptr;
  std::uint64_t settledKey_ = 0;
  int batchDepth_ = 0;
  BlockListObserver* observer_ = nullptr;
  ListJournal* journal_ = nullptr;
  std::uint64_t version_ = 0;
};

}  // namespace hm
