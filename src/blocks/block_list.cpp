#include "blocks/block_list.h"

#include "blocks/list_journal.h"

#include <algorithm>

namespace hm {

namespace {

// Lines a rebuilt list can take, and bytes its lines can grow by, before its storage is copied
// to a larger block: a list of millions of lines is then copied only after many edits.
constexpr std::size_t kSpareLines = 1 << 16;
constexpr std::size_t kSpareBytes = 1 << 20;

// Grows by an eighth rather than by doubling: for a list of millions of lines a doubled copy
// would briefly hold three times the list.
template <class T>
void makeRoom(std::vector<T>& v, std::size_t more) {
  if (v.size() + more <= v.capacity()) return;
  v.reserve(std::max(v.size() + more, v.capacity() + v.capacity() / 8 + 64));
}

}  // namespace

void BlockList::Span::include(int index) {
  if (empty()) {
    first = last = index;
    return;
  }
  first = std::min(first, index);
  last = std::max(last, index);
}

void BlockList::Span::inserted(int index) {
  if (empty()) return;
  if (index <= first) {
    ++first;
    ++last;
  } else if (index <= last) {
    ++last;
  }
}

void BlockList::Span::removed(int index) {
  if (empty()) return;
  if (index < first) {
    --first;
    --last;
  } else if (index <= last) {
    --last;
  }
}

std::uint32_t BlockList::store(std::string_view line) {
  makeRoom(arena_, line.size());
  const std::size_t offset = arena_.size();
  arena_.resize(offset + line.size());
  std::copy(line.begin(), line.end(), arena_.begin() + static_cast<std::ptrdiff_t>(offset));
  return static_cast<std::uint32_t>(offset);
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
  if (journal_) journal_->inserting(index, line, itemData);
  ++version_;
  if (notifying()) observer_->aboutToInsert(index, index);
  Entry e{store(line), static_cast<std::uint32_t>(line.size()), 0, settled_, itemData};
  makeRoom(entries_, 1);
  if (index == count()) {
    entries_.push_back(e);
  } else {
    entries_.insert(entries_.begin() + index, e);
  }
  if (caret_ >= index) ++caret_;
  selectedSpan_.inserted(index);
  if (settled_) {
    changed_.inserted(index);
    changed_.include(index);
  }
  if (notifying()) observer_->inserted();
  return index;
}

// A line that was settled leaves the settled weight when it is rewritten or removed.
void BlockList::forgetChange(Entry& e) {
  if (!settled_ || e.changed) return;
  unchangedWeight_ -= weigh_({arena_.data() + e.offset, e.length});
  e.changed = 1;
}

// The lines at index - 1 and index have just become neighbours.
void BlockList::joinedAt(int index) {
  if (!settled_) return;
  if (index > 0) changed_.include(index - 1);
  if (index < count()) changed_.include(index);
}

void BlockList::remove(int index) {
  if (index < 0 || index >= count()) return;
  if (journal_) journal_->removing(*this, index);
  ++version_;
  if (notifying()) observer_->aboutToRemove(index, index);
  Entry& e = entries_[static_cast<std::size_t>(index)];
  forgetChange(e);
  garbage_ += e.length;
  if (e.selected) --selected_;
  entries_.erase(entries_.begin() + index);
  if (caret_ > index || caret_ >= count()) --caret_;
  selectedSpan_.removed(index);
  changed_.removed(index);
  joinedAt(index);
  if (notifying()) observer_->removed();
  compactIfWasteful();
}

void BlockList::removeSelected() {
  if (selected_ == 0) return;
  if (journal_) journal_->removingSelected(*this);
  ++version_;
  Batch batch(*this);
  const int first = std::max(selectedSpan_.first, 0);
  const int last = std::min(selectedSpan_.last, count() - 1);
  const Span before = changed_;
  Span after;
  int to = first;  // where the next line kept goes
  int newCaret = caret_;
  bool removing = false;
  for (int i = first; i <= last; ++i) {
    Entry& e = entries_[static_cast<std::size_t>(i)];
    if (e.selected) {
      forgetChange(e);
      garbage_ += e.length;
      if (i < caret_) --newCaret;
      if (!removing && to > 0) after.include(to - 1);
      removing = true;
      continue;
    }
    if (removing || before.holds(i)) after.include(to);
    removing = false;
    entries_[static_cast<std::size_t>(to++)] = e;
  }
  // The lines past the last selected one move down together, those before the first stay.
  const int removed = last + 1 - to;
  if (removing && last + 1 < count()) after.include(to);
  if (!before.empty() && before.first < first) {
    after.include(before.first);
    after.include(std::min(before.last, first - 1));
  }
  if (!before.empty() && before.last > last) {
    after.include(std::max(before.first, last + 1) - removed);
    after.include(before.last - removed);
  }
  entries_.erase(entries_.begin() + to, entries_.begin() + last + 1);
  selected_ = 0;
  selectedSpan_.clear();
  caret_ = std::min(newCaret, count() - 1);
  if (settled_) changed_ = after;
  compactIfWasteful();
}

void BlockList::clear(bool keepCapacity) {
  ++version_;
  if (notifying()) observer_->aboutToReset();
  if (journal_) journal_->replacingAll(*this);
  entries_.clear();
  arena_.clear();
  if (!keepCapacity) {
    entries_.shrink_to_fit();
    arena_.shrink_to_fit();
  }
  garbage_ = 0;
  caret_ = -1;
  selected_ = 0;
  selectedSpan_.clear();
  settled_ = false;
  changed_.clear();
  if (notifying()) observer_->reset();
}

void BlockList::replaceCaret(std::string_view line) {
  if (caret_ < 0 || caret_ >= count()) return;
  if (journal_) journal_->rewritingCaret(*this, line);
  ++version_;
  Entry& e = entries_[static_cast<std::size_t>(caret_)];
  forgetChange(e);
  garbage_ += e.length;
  e.offset = store(line);
  e.length = static_cast<std::uint32_t>(line.size());
  if (settled_) changed_.include(caret_);
  if (notifying()) observer_->changed(caret_);
  compactIfWasteful();
}

void BlockList::replace(int first, int count, const BlockList& lines) {
  first = std::clamp(first, 0, this->count());
  count = std::clamp(count, 0, this->count() - first);
  if (journal_) journal_->replacing(*this, first, count, lines);
  ++version_;
  if (notifying()) observer_->aboutToReset();
  markUnsettled();
  const int added = lines.count();
  const int delta = added - count;
  std::vector<Entry> fresh;
  fresh.reserve(static_cast<std::size_t>(added));
  for (int k = 0; k < added; ++k) {
    const Entry& from = lines.entries_[static_cast<std::size_t>(k)];
    fresh.push_back({store(lines.text(k)), from.length, from.selected, 0, from.itemData});
  }
  const auto at = entries_.begin() + first;
  for (auto it = at; it != at + count; ++it) {
    garbage_ += it->length;
    selected_ -= it->selected;
  }
  selected_ += lines.selected_;
  if (delta >= 0) {
    makeRoom(entries_, static_cast<std::size_t>(delta));
    entries_.insert(entries_.begin() + first + count, static_cast<std::size_t>(delta), Entry{});
  } else {
    entries_.erase(entries_.begin() + first + added, entries_.begin() + first + count);
  }
  std::copy(fresh.begin(), fresh.end(), entries_.begin() + first);

  if (caret_ >= first + count) {
    caret_ += delta;
  } else if (caret_ >= first) {
    caret_ = lines.caret_ >= 0 ? first + lines.caret_ : -1;
  }
  if (!selectedSpan_.empty()) {
    // Whatever was selected around the replaced lines keeps its place or moves with the end.
    Span moved;
    auto map = [&](int i) { return i < first ? i : (i >= first + count ? i + delta : first); };
    moved.include(map(selectedSpan_.first));
    moved.include(std::max(map(selectedSpan_.first), map(selectedSpan_.last)));
    selectedSpan_ = moved;
  }
  if (!lines.selectedSpan_.empty()) {
    selectedSpan_.include(first + lines.selectedSpan_.first);
    selectedSpan_.include(first + lines.selectedSpan_.last);
  }
  selectedSpan_.last = std::min(selectedSpan_.last, this->count() - 1);
  if (selected_ == 0) selectedSpan_.clear();
  if (notifying()) observer_->reset();
  compactIfWasteful();
}

void BlockList::assign(BlockList&& other) {
  ++version_;
  if (notifying()) observer_->aboutToReset();
  if (journal_) journal_->replacingAll(*this);
  arena_ = std::move(other.arena_);
  entries_ = std::move(other.entries_);
  garbage_ = other.garbage_;
  caret_ = other.caret_;
  selected_ = other.selected_;
  selectedSpan_ = other.selectedSpan_;
  settled_ = other.settled_;
  changed_ = other.changed_;
  unchangedWeight_ = other.unchangedWeight_;
  weigh_ = other.weigh_;
  settledKey_ = other.settledKey_;
  other.clear();
  if (notifying()) observer_->reset();
}

void BlockList::swapLines(BlockList& other) {
  ++version_;
  ++other.version_;
  std::swap(arena_, other.arena_);
  std::swap(entries_, other.entries_);
  std::swap(garbage_, other.garbage_);
  std::swap(caret_, other.caret_);
  std::swap(selected_, other.selected_);
  std::swap(selectedSpan_, other.selectedSpan_);
  std::swap(settled_, other.settled_);
  std::swap(changed_, other.changed_);
  std::swap(unchangedWeight_, other.unchangedWeight_);
  std::swap(weigh_, other.weigh_);
  std::swap(settledKey_, other.settledKey_);
}

void BlockList::removeRows(const std::vector<int>& rows) {
  if (rows.empty()) return;
  Batch batch(*this);
  markUnsettled();
  ++version_;
  std::size_t next = 0;  // the next row to remove
  int to = rows.front();
  int newCaret = caret_;
  for (int i = rows.front(); i < count(); ++i) {
    Entry& e = entries_[static_cast<std::size_t>(i)];
    if (next < rows.size() && rows[next] == i) {
      ++next;
      garbage_ += e.length;
      selected_ -= e.selected;
      if (i < caret_) --newCaret;
      if (i == caret_) newCaret = -1;
      continue;
    }
    entries_[static_cast<std::size_t>(to++)] = e;
  }
  entries_.resize(static_cast<std::size_t>(to));
  caret_ = std::min(newCaret, count() - 1);
  selectedSpan_ = {};
  if (selected_ > 0) selectedSpan_ = {0, count() - 1};
  compactIfWasteful();
}

// In place from the end down to the first new row: the lines before it stay where they are, so
// putting back a few lines costs one move of the lines after them.
void BlockList::insertRows(const std::vector<int>& rows, const BlockList& lines) {
  if (rows.empty()) return;
  Batch batch(*this);
  markUnsettled();
  ++version_;
  const int added = static_cast<int>(rows.size());
  makeRoom(entries_, rows.size());
  entries_.resize(entries_.size() + rows.size());
  int from = count() - added - 1;
  int newCaret = caret_ < rows.front() ? caret_ : -1;
  for (int to = count() - 1, k = added - 1; k >= 0; --to) {
    if (to == rows[static_cast<std::size_t>(k)]) {
      const Entry& e = lines.entries_[static_cast<std::size_t>(k)];
      entries_[static_cast<std::size_t>(to)] = {store(lines.text(k)), e.length, e.selected, 0,
                                                e.itemData};
      selected_ += e.selected;
      if (k == lines.caret_) newCaret = to;
      --k;
    } else {
      if (from == caret_) newCaret = to;
      entries_[static_cast<std::size_t>(to)] = entries_[static_cast<std::size_t>(from--)];
    }
  }
  caret_ = newCaret;
  selectedSpan_ = {};
  if (selected_ > 0) selectedSpan_ = {0, count() - 1};
}

void BlockList::appendCopy(const BlockList& from, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    const int at = insert(this->count(), from.text(i), from.itemData(i));
    if (from.isSelected(i)) setSelected(at, true);
    if (i == from.caret()) setCaret(at);
  }
}

std::size_t BlockList::memoryBytes() const {
  return sizeof(*this) + arena_.capacity() + entries_.capacity() * sizeof(Entry);
}

BlockList::Settlement BlockList::settlement() const {
  if (!settled_ || !changed_.empty()) return {};
  return {true, unchangedWeight_, weigh_, settledKey_};
}

void BlockList::restoreSettlement(const Settlement& settlement) {
  if (settlement.settled) {
    markSettled(settlement.weight, settlement.weigh, settlement.key);
  } else {
    markUnsettled();
  }
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
  if (selected) selectedSpan_.include(index);
}

void BlockList::setSelected(int first, int last, bool selected) {
  if (first > last) std::swap(first, last);
  first = std::max(first, 0);
  last = std::min(last, count() - 1);
  for (int i = first; i <= last; ++i) setSelected(i, selected);
}

int BlockList::firstSelected() const {
  if (selected_ == 0) return -1;
  int i = std::max(selectedSpan_.first, 0);
  while (!isSelected(i)) ++i;
  return i;
}

int BlockList::lastSelected() const {
  if (selected_ == 0) return -1;
  int i = std::min(selectedSpan_.last, count() - 1);
  while (!isSelected(i)) --i;
  return i;
}

void BlockList::clearSelection() {
  if (selected_ > 0) {
    const int last = std::min(selectedSpan_.last, count() - 1);
    for (int i = std::max(selectedSpan_.first, 0); i <= last; ++i) {
      entries_[static_cast<std::size_t>(i)].selected = 0;
    }
  }
  selected_ = 0;
  selectedSpan_.clear();
}

void BlockList::reserve(std::size_t lines, std::size_t bytesPerLine) {
  entries_.reserve(lines + std::min(lines / 64, kSpareLines));
  arena_.reserve(lines * bytesPerLine + std::min(lines * bytesPerLine / 64, kSpareBytes));
}

bool BlockList::changedSinceSettled(int index) const {
  return index >= 0 && index < count() && entries_[static_cast<std::size_t>(index)].changed;
}

void BlockList::clearChangedMarks() {
  if (!settled_ || changed_.empty()) return;
  for (int i = changed_.first; i <= changed_.last; ++i) {
    entries_[static_cast<std::size_t>(i)].changed = 0;
  }
}

void BlockList::markSettled(std::int64_t weight, Weigh weigh, std::uint64_t key) {
  clearChangedMarks();
  settled_ = true;
  changed_.clear();
  unchangedWeight_ = weight;
  weigh_ = weigh;
  settledKey_ = key;
}

void BlockList::markUnsettled() {
  clearChangedMarks();
  settled_ = false;
  changed_.clear();
}

void BlockList::compactIfWasteful() {
  if (garbage_ < (1u << 20) || garbage_ * 2 < arena_.size()) return;
  std::vector<char> packed;
  packed.reserve(arena_.size() - garbage_ + kSpareBytes);
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
