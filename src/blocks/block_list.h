#pragma once

#include "blocks/block_line.h"
#include "blocks/line_order.h"
#include "platform/huge_pages.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
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

// The block list: the only store of blocks, one line each, kept sorted by text when lines are
// added with add(). A line is kept as its fields (BlockLine), twelve bytes for the usual line
// whose length follows from its addresses, and its text is written only when it is asked for;
// the few lines whose text would not read back as the same fields are kept as that text. Data
// files' paths are kept once per list.
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

  // ListAdd: into its sorted place (after equal lines); returns the index. A line given as text
  // keeps that text exactly, whatever it holds.
  int add(std::string_view line);
  int add(const BlockLine& line);
  // ListInsert: at `index` (clamped to the end), no sorting.
  int insert(int index, std::string_view line, std::int32_t itemData = 0);
  int insert(int index, const BlockLine& line, std::int32_t itemData = 0);
  // insert() at the end, for the passes that rebuild a list of millions of lines.
  int append(const BlockLine& line);
  // ListDelete; an index outside the list is ignored.
  void remove(int index);
  // Removes every selected line, as a downward walk deleting each would.
  void removeSelected();
  // ListClear. The kept capacity lets a list that is rebuilt at once avoid growing again.
  void clear(bool keepCapacity = false);
  // ListReplaceCaret: the caret line gets the new text in place and keeps its item value.
  void replaceCaret(std::string_view line);
  void replaceCaret(const BlockLine& line);
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
  // The line as it is shown and compared; empty outside the list.
  std::string text(int index) const;
  void appendText(int index, std::string& out) const;
  // The line's fields, as BlockLine::parse reads its text. Inside the list only.
  BlockLine line(int index) const;
  LineFields fields(int index) const;  // the path lives as long as the list
  BlockSpan span(int index) const { return spanOf(entry(index)); }
  std::int32_t distance(int index) const;
  DataSource dataSource(int index) const;
  // Whether the line reads exactly as `line` writes, and how its text sorts against it.
  bool holds(int index, const BlockLine& line) const;
  int compareText(int index, const BlockLine& line) const;
  int compareText(int index, const BlockList& other, int otherIndex) const;
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

  // Room for `lines` lines, for bulk rebuilding, with a little to spare so that the first edits
  // of a rebuilt list do not copy it whole; `withData`: lines that carry a data offset and path.
  void reserve(std::size_t lines, bool withData = false);

  // What a line weighs in the settled total (the recalculation: its block's length).
  using Weigh = std::int64_t (*)(BlockSpan span);
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
  // A line whose length follows from its addresses (none in the address-only form) and that has
  // no item value holds all it has here, but for a DIF-editing line's data offset and path
  // (Kind::Data, in dataParts_) when it has either: a DIF's own lines, millions of them, have
  // neither. Any other line keeps all its fields in extras_.
  enum Kind : std::uint32_t { kPlain, kData, kFull };
  struct Entry {
    std::uint32_t start : 24;
    std::uint32_t form : 2;
    std::uint32_t selected : 1;
    std::uint32_t changed : 1;  // only while settled
    std::uint32_t kind : 2;
    std::uint32_t end : 24;
    std::int32_t value;  // kPlain: the distance; otherwise the index in dataParts_ or extras_
  };

  struct DataPart {
    std::int32_t distance;
    std::int32_t dataOffset;
    std::uint32_t path;  // in paths_
  };

  struct Extra {
    std::int32_t start;
    std::int32_t end;
    std::int32_t length;
    std::int32_t distance;
    std::int32_t dataOffset;
    std::int32_t itemData;
    std::uint32_t path;      // in paths_; 0 is no path
    std::uint32_t verbatim;  // 1 + the index in verbatim_ of a line kept as text; 0 otherwise
  };

  // One element per line, for millions of lines at once.
  template <class T>
  using PerLine = std::vector<T, HugePageAllocator<T>>;

  // What lines keep beside their entries. Kept apart so that an empty or small list, of which
  // the edit history keeps two per edited line, stays small.
  struct Aside {
    PerLine<DataPart> dataParts;
    PerLine<Extra> extras;
    std::vector<std::string> verbatim;
    // Stable addresses: a line's path is handed out as a view. paths[0] stands for no path.
    std::vector<std::unique_ptr<const std::string>> paths;
    std::unordered_map<std::string_view, std::uint32_t> pathIds;
    std::uint32_t lastPath = 0;
  };

  // A line on its way in: its fields, and its text when the fields would not write it.
  struct Incoming {
    const BlockLine& line;
    std::optional<std::string_view> text;
  };
  static std::optional<std::string_view> keptText(const BlockLine& parsed, std::string_view text);

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

  Entry store(const Incoming& in, std::int32_t itemData);
  Entry copyOf(const BlockList& from, int index);
  void release(const Entry& e);
  std::uint32_t internPath(std::string_view path);
  int addIncoming(const Incoming& in);
  int insertIncoming(int index, const Incoming& in, std::int32_t itemData);
  void replaceCaretIncoming(const Incoming& in);
  int compareIncoming(int index, const Incoming& in) const;
  // Only for a line that keeps something aside: the list then has aside_.
  const Extra& extraOf(const Entry& e) const {
    return aside_->extras[static_cast<std::size_t>(e.value)];
  }
  const DataPart& dataOf(const Entry& e) const {
    return aside_->dataParts[static_cast<std::size_t>(e.value)];
  }
  Aside& aside();
  LineFields fieldsOf(const Entry& e) const;
  BlockSpan spanOf(const Entry& e) const {
    if (e.kind != kFull)
      return {static_cast<std::int32_t>(e.start), static_cast<std::int32_t>(e.end)};
    return fullSpanOf(e);
  }
  BlockSpan fullSpanOf(const Entry& e) const;
  std::string_view pathOf(std::uint32_t path) const {
    return path ? std::string_view(*aside_->paths[path]) : std::string_view();
  }
  const std::string* verbatimOf(const Entry& e) const;
  const Entry& entry(int index) const { return entries_[static_cast<std::size_t>(index)]; }
  void compactIfWasteful();
  bool notifying() const { return observer_ && batchDepth_ == 0; }
  void forgetChange(Entry& e);
  void joinedAt(int index);
  void clearChangedMarks();
  void notifyReset();

  PerLine<Entry> entries_;
  std::unique_ptr<Aside> aside_;  // made for the first line that needs it
  std::size_t garbage_ = 0;       // data parts and extras no line refers to
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
