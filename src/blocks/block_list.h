#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hm {

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
class BlockList {
 public:
  BlockList() = default;
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  void setObserver(BlockListObserver* observer) { observer_ = observer; }

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

  int count() const { return static_cast<int>(entries_.size()); }
  std::string_view text(int index) const;  // empty outside the list
  std::int32_t itemData(int index) const;  // -1 outside the list, as a list box answers

  int caret() const { return caret_; }  // -1 when there is none
  void setCaret(int index);
  bool isSelected(int index) const;
  void setSelected(int index, bool selected);
  void clearSelection();
  int selCount() const { return selected_; }

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

  // Room for `lines` lines of about `bytesPerLine` characters, for bulk rebuilding.
  void reserve(std::size_t lines, std::size_t bytesPerLine);

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t length : 31;
    std::uint32_t selected : 1;
    std::int32_t itemData;
  };

  std::uint32_t store(std::string_view line);
  void compactIfWasteful();
  bool notifying() const { return observer_ && batchDepth_ == 0; }

  std::vector<char> arena_;
  std::vector<Entry> entries_;
  std::size_t garbage_ = 0;
  int caret_ = -1;
  int selected_ = 0;
  int batchDepth_ = 0;
  BlockListObserver* observer_ = nullptr;
};

}  // namespace hm
