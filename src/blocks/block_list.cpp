#include "blocks/block_list.h"

#include "blocks/list_journal.h"

#include <algorithm>

namespace hm {

namespace {

// A line's fields but its path: what the text is written from without copying the path.
BlockLine numbersOf(const LineFields& f) {
  BlockLine line;
  line.form = f.form;
  line.start = f.start;
  line.end = f.end;
  line.length = f.length;
  line.distance = f.distance;
  line.dataOffset = f.dataOffset;
  return line;
}

}  // namespace

namespace {

// Lines a rebuilt list can take before its storage is copied to a larger block: a list of
// millions of lines is then copied only after many edits.
constexpr std::size_t kSpareLines = 1 << 16;
constexpr std::size_t kSpareExtras = 1 << 16;

// Grows by an eighth rather than by doubling: for a list of millions of lines a doubled copy
// would briefly hold three times the list.
template <class Vector>
void makeRoom(Vector& v, std::size_t more) {
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

namespace {

std::int32_t impliedLength(LineForm form, std::int32_t start, std::int32_t end) {
  if (form == LineForm::Addresses) return 0;
  return static_cast<std::int32_t>(std::int64_t{end} - start + 1);
}

}  // namespace

// `parsed` is what `text` reads as.
std::optional<std::string_view> BlockList::keptText(const BlockLine& parsed,
                                                    std::string_view text) {
  if (parsed.text() == text) return std::nullopt;
  return text;
}

BlockList::Aside& BlockList::aside() {
  if (!aside_) aside_ = std::make_unique<Aside>();
  return *aside_;
}

std::uint32_t BlockList::internPath(std::string_view path) {
  if (path.empty()) return 0;
  Aside& a = aside();
  if (a.lastPath != 0 && *a.paths[a.lastPath] == path) return a.lastPath;
  if (a.paths.empty()) a.paths.push_back(std::make_unique<const std::string>());
  auto found = a.pathIds.find(path);
  if (found == a.pathIds.end()) {
    a.paths.push_back(std::make_unique<const std::string>(path));
    found =
        a.pathIds.emplace(*a.paths.back(), static_cast<std::uint32_t>(a.paths.size() - 1)).first;
  }
  a.lastPath = found->second;
  return a.lastPath;
}

BlockList::Entry BlockList::store(const Incoming& in, std::int32_t itemData) {
  // Twelve bytes a line is what keeps millions of lines beside the search's own tables.
  static_assert(sizeof(Entry) == 12);
  const BlockLine& l = in.line;
  Entry e{};
  e.form = static_cast<std::uint32_t>(l.form);
  e.changed = settled_;
  const bool own = !in.text && itemData == 0 && l.start >= 0 && l.start <= kLastImageOffset &&
                   l.end >= 0 && l.end <= kLastImageOffset &&
                   l.length == impliedLength(l.form, l.start, l.end);
  if (own) {
    e.start = static_cast<std::uint32_t>(l.start);
    e.end = static_cast<std::uint32_t>(l.end);
    if (l.form != LineForm::DifEditing || (l.dataOffset == 0 && l.dataPath.empty())) {
      e.kind = kPlain;
      e.value = l.distance;
      return e;
    }
    e.kind = kData;
    const std::uint32_t path = internPath(l.dataPath);
    auto& parts = aside().dataParts;
    e.value = static_cast<std::int32_t>(parts.size());
    makeRoom(parts, 1);
    parts.push_back({l.distance, l.dataOffset, path});
    return e;
  }
  Extra x{l.start, l.end, l.length, l.distance, l.dataOffset, itemData, internPath(l.dataPath), 0};
  Aside& a = aside();
  if (in.text) {
    a.verbatim.emplace_back(*in.text);
    x.verbatim = static_cast<std::uint32_t>(a.verbatim.size());
  }
  e.kind = kFull;
  e.value = static_cast<std::int32_t>(a.extras.size());
  makeRoom(a.extras, 1);
  a.extras.push_back(x);
  return e;
}

BlockList::Entry BlockList::copyOf(const BlockList& from, int index) {
  Entry e = from.entry(index);
  e.changed = 0;
  if (e.kind == kPlain) return e;
  if (e.kind == kData) {
    DataPart part = from.dataOf(e);
    part.path = internPath(from.pathOf(part.path));
    auto& parts = aside().dataParts;
    e.value = static_cast<std::int32_t>(parts.size());
    makeRoom(parts, 1);
    parts.push_back(part);
    return e;
  }
  Extra x = from.extraOf(e);
  x.path = internPath(from.pathOf(x.path));
  Aside& a = aside();
  if (x.verbatim) {
    a.verbatim.push_back(from.aside_->verbatim[x.verbatim - 1]);
    x.verbatim = static_cast<std::uint32_t>(a.verbatim.size());
  }
  e.value = static_cast<std::int32_t>(a.extras.size());
  makeRoom(a.extras, 1);
  a.extras.push_back(x);
  return e;
}

// What the line kept aside stays in place until the next compaction.
void BlockList::release(const Entry& e) {
  if (e.kind != kPlain) ++garbage_;
}

LineFields BlockList::fieldsOf(const Entry& e) const {
  const auto form = static_cast<LineForm>(e.form);
  if (e.kind != kFull) {
    const auto start = static_cast<std::int32_t>(e.start);
    const auto end = static_cast<std::int32_t>(e.end);
    const std::int32_t length = impliedLength(form, start, end);
    if (e.kind == kPlain) return {form, start, end, length, e.value, 0, {}};
    const DataPart& part = dataOf(e);
    return {form, start, end, length, part.distance, part.dataOffset, pathOf(part.path)};
  }
  const Extra& x = extraOf(e);
  return {form, x.start, x.end, x.length, x.distance, x.dataOffset, pathOf(x.path)};
}

BlockSpan BlockList::fullSpanOf(const Entry& e) const {
  const Extra& x = extraOf(e);
  return {x.start, x.end};
}

const std::string* BlockList::verbatimOf(const Entry& e) const {
  if (e.kind != kFull) return nullptr;
  const Extra& x = extraOf(e);
  return x.verbatim ? &aside_->verbatim[x.verbatim - 1] : nullptr;
}

std::string BlockList::text(int index) const {
  std::string out;
  appendText(index, out);
  return out;
}

void BlockList::appendText(int index, std::string& out) const {
  if (index < 0 || index >= count()) return;
  const Entry& e = entry(index);
  if (const std::string* kept = verbatimOf(e)) {
    out += *kept;
    return;
  }
  const LineFields f = fieldsOf(e);
  char numbers[BlockLine::kNumbersMax];
  out.append(numbers, numbersOf(f).writeNumbers(numbers));
  if (f.form == LineForm::DifEditing) out += f.dataPath;
}

BlockLine BlockList::line(int index) const {
  const LineFields f = fields(index);
  BlockLine line = numbersOf(f);
  line.dataPath = f.dataPath;
  return line;
}

LineFields BlockList::fields(int index) const {
  return fieldsOf(entry(index));
}

std::int32_t BlockList::distance(int index) const {
  const Entry& e = entry(index);
  switch (e.kind) {
    case kPlain:
      return e.value;
    case kData:
      return dataOf(e).distance;
    default:
      return extraOf(e).distance;
  }
}

DataSource BlockList::dataSource(int index) const {
  const Entry& e = entry(index);
  switch (e.kind) {
    case kPlain:
      return {0, {}};
    case kData:
      return {dataOf(e).dataOffset, pathOf(dataOf(e).path)};
    default:
      return {extraOf(e).dataOffset, pathOf(extraOf(e).path)};
  }
}

bool BlockList::holds(int index, const BlockLine& line) const {
  const Entry& e = entry(index);
  if (verbatimOf(e)) return false;
  const LineFields f = fieldsOf(e);
  return f.form == line.form && f.start == line.start && f.end == line.end &&
         f.length == line.length && f.distance == line.distance &&
         f.dataOffset == line.dataOffset && f.dataPath == line.dataPath;
}

int BlockList::compareIncoming(int index, const Incoming& in) const {
  const Entry& e = entry(index);
  const std::string* kept = verbatimOf(e);
  if (!kept && !in.text) return compareAsText(fieldsOf(e), hm::fieldsOf(in.line));
  const std::string mine = kept ? *kept : text(index);
  const int c = std::string_view(mine).compare(in.text ? *in.text : in.line.text());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int BlockList::compareText(int index, const BlockLine& line) const {
  if (keepsItsText(hm::fieldsOf(line))) return compareIncoming(index, {line, std::nullopt});
  const std::string text = line.text();
  const BlockLine parsed = BlockLine::parse(text);
  return compareIncoming(index, {parsed, keptText(parsed, text)});
}

int BlockList::compareText(int index, const BlockList& other, int otherIndex) const {
  const Entry& e = entry(index);
  const Entry& o = other.entry(otherIndex);
  if (!verbatimOf(e) && !other.verbatimOf(o)) {
    return compareAsText(fieldsOf(e), other.fieldsOf(o));
  }
  const int c = text(index).compare(other.text(otherIndex));
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::int32_t BlockList::itemData(int index) const {
  if (index < 0 || index >= count()) return -1;
  const Entry& e = entry(index);
  return e.kind == kFull ? extraOf(e).itemData : 0;
}

int BlockList::add(std::string_view line) {
  const BlockLine parsed = BlockLine::parse(line);
  return addIncoming({parsed, keptText(parsed, line)});
}

int BlockList::add(const BlockLine& line) {
  if (!keepsItsText(hm::fieldsOf(line))) return add(line.text());
  return addIncoming({line, std::nullopt});
}

int BlockList::addIncoming(const Incoming& in) {
  int index = count();
  // Lines mostly arrive in ascending order: check the end before searching.
  if (index > 0 && compareIncoming(index - 1, in) > 0) {
    auto it = std::upper_bound(
        entries_.begin(), entries_.end(), in, [this](const Incoming& l, const Entry& e) {
          return compareIncoming(static_cast<int>(&e - entries_.data()), l) > 0;
        });
    index = static_cast<int>(it - entries_.begin());
  }
  return insertIncoming(index, in, 0);
}

int BlockList::insert(int index, std::string_view line, std::int32_t itemData) {
  const BlockLine parsed = BlockLine::parse(line);
  return insertIncoming(index, {parsed, keptText(parsed, line)}, itemData);
}

int BlockList::insert(int index, const BlockLine& line, std::int32_t itemData) {
  if (!keepsItsText(hm::fieldsOf(line))) return insert(index, line.text(), itemData);
  return insertIncoming(index, {line, std::nullopt}, itemData);
}

// Rebuilding a list appends its lines one by one, nobody watching: a plain line then goes
// straight to the end.
int BlockList::append(const BlockLine& line) {
  const bool plain = line.form != LineForm::Addresses && line.start >= 0 &&
                     line.start <= kLastImageOffset && line.end >= 0 &&
                     line.end <= kLastImageOffset &&
                     line.length == impliedLength(line.form, line.start, line.end) &&
                     line.dataOffset == 0 && line.dataPath.empty();
  if (!plain || journal_ || notifying() || settled_) return insert(count(), line);
  ++version_;
  Entry e{};
  e.start = static_cast<std::uint32_t>(line.start);
  e.end = static_cast<std::uint32_t>(line.end);
  e.form = static_cast<std::uint32_t>(line.form);
  e.kind = kPlain;
  e.value = line.distance;
  makeRoom(entries_, 1);
  entries_.push_back(e);
  return count() - 1;
}

int BlockList::insertIncoming(int index, const Incoming& in, std::int32_t itemData) {
  index = std::clamp(index, 0, count());
  if (journal_) {
    BlockList one;
    one.insertIncoming(0, in, itemData);
    journal_->inserting(index, one);
  }
  ++version_;
  if (notifying()) observer_->aboutToInsert(index, index);
  const Entry e = store(in, itemData);
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
  unchangedWeight_ -= weigh_(spanOf(e));
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
  release(e);
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
      release(e);
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
  if (!keepCapacity) {
    entries_.shrink_to_fit();
    aside_.reset();
  } else if (aside_) {
    Aside& a = *aside_;
    a.dataParts.clear();
    a.extras.clear();
    a.verbatim.clear();
    a.paths.clear();
    a.pathIds.clear();
    a.lastPath = 0;
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
  const BlockLine parsed = BlockLine::parse(line);
  replaceCaretIncoming({parsed, keptText(parsed, line)});
}

void BlockList::replaceCaret(const BlockLine& line) {
  if (!keepsItsText(hm::fieldsOf(line))) return replaceCaret(line.text());
  replaceCaretIncoming({line, std::nullopt});
}

void BlockList::replaceCaretIncoming(const Incoming& in) {
  if (caret_ < 0 || caret_ >= count()) return;
  if (journal_) {
    BlockList one;
    one.insertIncoming(0, in, itemData(caret_));
    journal_->rewritingCaret(*this, one);
  }
  ++version_;
  Entry& e = entries_[static_cast<std::size_t>(caret_)];
  forgetChange(e);
  release(e);
  const std::int32_t item = itemData(caret_);
  const std::uint32_t selected = e.selected;
  const std::uint32_t changed = e.changed;
  e = store(in, item);
  e.selected = selected;
  e.changed = changed;
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
  for (int k = 0; k < added; ++k) fresh.push_back(copyOf(lines, k));
  const auto at = entries_.begin() + first;
  for (auto it = at; it != at + count; ++it) {
    release(*it);
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
  entries_ = std::move(other.entries_);
  aside_ = std::move(other.aside_);
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
  std::swap(entries_, other.entries_);
  std::swap(aside_, other.aside_);
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
      release(e);
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
      const Entry e = copyOf(lines, k);
      entries_[static_cast<std::size_t>(to)] = e;
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
    const BlockLine line = from.line(i);
    Incoming in{line, std::nullopt};
    if (const std::string* kept = from.verbatimOf(from.entry(i))) in.text = *kept;
    const int at = insertIncoming(this->count(), in, from.itemData(i));
    if (from.isSelected(i)) setSelected(at, true);
    if (i == from.caret()) setCaret(at);
  }
}

std::size_t BlockList::memoryBytes() const {
  std::size_t bytes =
      sizeof(*this) + entries_.capacity() * sizeof(Entry) + (aside_ ? sizeof(Aside) : 0);
  if (!aside_) return bytes;
  bytes += aside_->dataParts.capacity() * sizeof(DataPart) +
           aside_->extras.capacity() * sizeof(Extra) +
           aside_->verbatim.capacity() * sizeof(std::string);
  for (const std::string& kept : aside_->verbatim) bytes += kept.capacity();
  for (const auto& path : aside_->paths) bytes += sizeof(std::string) + 2 * path->capacity();
  return bytes;
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

void BlockList::reserve(std::size_t lines, bool withData) {
  entries_.reserve(lines + std::min(lines / 64, kSpareLines));
  if (withData) aside().dataParts.reserve(lines + std::min(lines / 64, kSpareLines));
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

// What removed or rewritten lines kept aside is dropped once it is half of what is kept.
void BlockList::compactIfWasteful() {
  if (garbage_ < kSpareExtras) return;
  Aside& a = aside();
  if (garbage_ * 2 < a.dataParts.size() + a.extras.size()) return;
  std::size_t data = 0;
  for (const Entry& e : entries_) data += e.kind == kData;
  PerLine<DataPart> parts;
  parts.reserve(data + (data > 0 ? kSpareExtras : 0));
  PerLine<Extra> packed;
  packed.reserve(a.dataParts.size() + a.extras.size() - garbage_ - data);
  std::vector<std::string> kept;
  for (Entry& e : entries_) {
    if (e.kind == kData) {
      parts.push_back(dataOf(e));
      e.value = static_cast<std::int32_t>(parts.size() - 1);
    } else if (e.kind == kFull) {
      Extra x = extraOf(e);
      if (x.verbatim) {
        kept.push_back(std::move(a.verbatim[x.verbatim - 1]));
        x.verbatim = static_cast<std::uint32_t>(kept.size());
      }
      packed.push_back(x);
      e.value = static_cast<std::int32_t>(packed.size() - 1);
    }
  }
  a.dataParts = std::move(parts);
  a.extras = std::move(packed);
  a.verbatim = std::move(kept);
  garbage_ = 0;
}

BlockList::Batch::Batch(BlockList& list) : list_(list) {
  if (list_.batchDepth_++ == 0 && list_.observer_) list_.observer_->aboutToReset();
}

BlockList::Batch::~Batch() {
  if (--list_.batchDepth_ == 0 && list_.observer_) list_.observer_->reset();
}

}  // namespace hm
