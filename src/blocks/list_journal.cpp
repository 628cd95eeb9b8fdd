#include "blocks/list_journal.h"

#include <utility>

namespace hm {

namespace {

std::unique_ptr<BlockList> copyOf(const BlockList& list, int first, int count) {
  auto lines = std::make_unique<BlockList>();
  lines->appendCopy(list, first, count);
  return lines;
}

}  // namespace

ListJournal::~ListJournal() = default;

void ListJournal::add(Change change) {
  bytes_ += sizeof(Change) + change.rows.capacity() * sizeof(int);
  if (change.before) bytes_ += change.before->memoryBytes();
  if (change.after) bytes_ += change.after->memoryBytes();
  changes_.push_back(std::move(change));
}

void ListJournal::inserting(int index, const BlockList& line) {
  if (whole_) return;
  add({Change::Kind::Lines, index, {}, std::make_unique<BlockList>(), copyOf(line, 0, 1)});
}

void ListJournal::removing(const BlockList& list, int index) {
  if (whole_) return;
  add({Change::Kind::Lines, index, {}, copyOf(list, index, 1), std::make_unique<BlockList>()});
}

void ListJournal::rewritingCaret(const BlockList& list, const BlockList& line) {
  if (whole_) return;
  const int at = list.caret();
  Change change{Change::Kind::Lines, at, {}, copyOf(list, at, 1), copyOf(line, 0, 1)};
  change.after->setSelected(0, list.isSelected(at));
  change.after->setCaret(0);
  add(std::move(change));
}

void ListJournal::replacing(const BlockList& list, int first, int count, const BlockList& lines) {
  if (whole_) return;
  add({Change::Kind::Lines,
       first,
       {},
       copyOf(list, first, count),
       copyOf(lines, 0, lines.count())});
}

void ListJournal::removingSelected(const BlockList& list) {
  if (whole_) return;
  Change change{Change::Kind::Rows, 0, {}, std::make_unique<BlockList>(), nullptr};
  change.rows.reserve(static_cast<std::size_t>(list.selCount()));
  const int last = list.lastSelected();
  for (int i = list.firstSelected(); i >= 0 && i <= last; ++i) {
    if (!list.isSelected(i)) continue;
    change.rows.push_back(i);
    change.before->appendCopy(list, i, 1);
  }
  add(std::move(change));
}

void ListJournal::replacingAll(BlockList& list) {
  if (whole_) return;
  whole_ = true;
  auto kept = std::make_unique<BlockList>();
  // The list is about to be emptied or replaced: what it held is kept as it is, at no copy.
  kept->swapLines(list);
  add({Change::Kind::Whole, 0, {}, std::move(kept), nullptr});
}

void ListJournal::undo(BlockList& list) {
  BlockList::Batch batch(list);
  for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
    switch (it->kind) {
      case Change::Kind::Lines:
        list.replace(it->at, it->after->count(), *it->before);
        break;
      case Change::Kind::Rows:
        list.insertRows(it->rows, *it->before);
        break;
      case Change::Kind::Whole:
        list.swapLines(*it->before);
        break;
    }
  }
}

void ListJournal::redo(BlockList& list) {
  BlockList::Batch batch(list);
  for (Change& change : changes_) {
    switch (change.kind) {
      case Change::Kind::Lines:
        list.replace(change.at, change.before->count(), *change.after);
        break;
      case Change::Kind::Rows:
        list.removeRows(change.rows);
        break;
      case Change::Kind::Whole:
        list.swapLines(*change.before);
        break;
    }
  }
}

}  // namespace hm
