#include "blocks/block_list.h"

#include <algorithm>

namespace hm {

std::uint32_t BlockList::store(std::string_view line) {
  auto offset = static_cast<std::uint32_t>(arena_.size());
  arena_.insert(arena_.end(), line.begin(), line.end());
  return offset;
}

std::string_view BlockList::text(int index) const {
  if (index < 0 || index >= count()) return {};
  const Entry& e = entries_[static_cast<std::size_t>(index)];
  return {arena_.data() + e.offset, e.length};
}

std::int32_t BlockList::itemData(int index) const {
  if (index < 0 || index >= count()) return -1;
  return entries_[static_cast<std::size_t>(index)].itemData;
}

int BlockList::add(std::string_view line) {
  int index = count();
  // Lines mostly arrive in ascending order: check the end before searching.
  if (index > 0 && line < text(index - 1)) {
    auto it = std::upper_bound(entries_.begin(), entries_.end(), line,
                               [this](std::string_view l, const Entry& e) {
                                 return l < std::string_view(arena_.data() + e.offset, e.length);
                               });
    index = static_cast<int>(it - entries_.begin());
  }
  return insert(index, line, 0);
}

int BlockList::insert(int index, std::string_view line, std::int32_t itemData) {
  index = std::clamp(index, 0, count());
  if (notifying()) observer_->aboutToInsert(index, index);
  Entry e{store(line), static_cast<std::uint32_t>(line.size()), 0, itemData};
  entries_.insert(entries_.begin() + index, e);
  if (caret_ >= index) ++caret_;
  if (notifying()) observer_->inserted();
  return index;
}

void BlockList::remove(int index) {
  if (index < 0 || index >= count()) return;
  if (notifying()) observer_->aboutToRemove(index, index);
  Entry& e = entries_[static_cast<std::size_t>(index)];
  garbage_ += e.length;
  if (e.selected) --selected_;
  entries_.erase(entries_.begin() + index);
  if (caret_ > index || caret_ >= count()) --caret_;
  if (notifying()) observer_->removed();
  compactIfWasteful();
}

void BlockList::removeSelected() {
  if (selected_ == 0) return;
  Batch batch(*this);
  std::size_t kept = 0;
  int newCaret = caret_;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].selected) {
      garbage_ += entries_[i].length;
      if (static_cast<int>(i) < caret_) --newCaret;
    } else {
      entries_[kept++] = entries_[i];
    }
  }
  entries_.resize(kept);
  selected_ = 0;
  caret_ = std::min(newCaret, count() - 1);
  compactIfWasteful();
}

void BlockList::clear(bool keepCapacity) {
  if (notifying()) observer_->aboutToReset();
  entries_.clear();
  arena_.clear();
  if (!keepCapacity) {
    entries_.shrink_to_fit();
    arena_.shrink_to_fit();
  }
  garbage_ = 0;
  caret_ = -1;
  selected_ = 0;
  if (notifying()) observer_->reset();
}

void BlockList::replaceCaret(std::string_view line) {
  if (caret_ < 0 || caret_ >= count()) return;
  Entry& e = entries_[static_cast<std::size_t>(caret_)];
  garbage_ += e.length;
  e.offset = store(line);
  e.length = static_cast<std::uint32_t>(line.size());
  if (notifying()) observer_->changed(caret_);
  compactIfWasteful();
}

void BlockList::setCaret(int index) {
  caret_ = (index >= 0 && index < count()) ? index : -1;
}

bool BlockList::isSelected(int index) const {
  return index >= 0 && index < count() && entries_[static_cast<std::size_t>(index)].selected;
}

void BlockList::setSelected(int index, bool selected) {
  if (index < 0 || index >= count()) return;
  Entry& e = entries_[static_cast<std::size_t>(index)];
  if (e.selected == selected) return;
  e.selected = selected;
  selected_ += selected ? 1 : -1;
}

void BlockList::clearSelection() {
  for (Entry& e : entries_) e.selected = 0;
  selected_ = 0;
}

void BlockList::reserve(std::size_t lines, std::size_t bytesPerLine) {
  entries_.reserve(lines);
  arena_.reserve(lines * bytesPerLine);
}

void BlockList::compactIfWasteful() {
  if (garbage_ < (1u << 20) || garbage_ * 2 < arena_.size()) return;
  std::vector<char> packed;
  packed.reserve(arena_.size() - garbage_);
  for (Entry& e : entries_) {
    auto offset = static_cast<std::uint32_t>(packed.size());
    packed.insert(packed.end(), arena_.begin() + e.offset, arena_.begin() + e.offset + e.length);
    e.offset = offset;
  }
  arena_ = std::move(packed);
  garbage_ = 0;
}

BlockList::Batch::Batch(BlockList& list) : list_(list) {
  if (list_.batchDepth_++ == 0 && list_.observer_) list_.observer_->aboutToReset();
}

BlockList::Batch::~Batch() {
  if (--list_.batchDepth_ == 0 && list_.observer_) list_.observer_->reset();
}

}  // namespace hm
