#include "app/edit_history.h"

#include <algorithm>

namespace hm {

namespace {

std::vector<int> selectedRows(const BlockList& list) {
  std::vector<int> rows;
  const int last = list.lastSelected();
  for (int i = list.firstSelected(); i >= 0 && i <= last; ++i) {
    if (list.isSelected(i)) rows.push_back(i);
  }
  return rows;
}

}  // namespace

void EditHistory::reset(BlockList& list, bool fromSearch, int distance) {
  list.setJournal(nullptr);
  open_.reset();
  replaying_ = false;
  forgetSteps();
  written_ = 0;
  everWritten_ = false;
  searchBase_ = fromSearch;
  listDistance_ = distance;
  // The list a search or a file gives is put in place and recalculated after the reset: the
  // history starts from what that recalculation leaves.
  resetPending_ = true;
  version_ = list.version();
}

std::size_t EditHistory::weight(const Step& step) {
  return sizeof(Step) + step.journal.memoryBytes();
}

void EditHistory::dropSteps(std::size_t from, std::size_t to) {
  for (std::size_t k = from; k < to; ++k) bytes_ -= weight(*steps_[k]);
  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(from),
               steps_.begin() + static_cast<std::ptrdiff_t>(to));
}

void EditHistory::forgetSteps() {
  steps_.clear();
  bytes_ = 0;
  position_ = 0;
}

void EditHistory::begin(BlockList& list, EditKind kind, int toDistance) {
  if (replaying_) return;
  if (open_) {
    if (kind == EditKind::Regroup && open_->kind == kind) {
      open_->toDistance = toDistance;
      return;
    }
    end(list);
  }
  if (resetPending_) {
    resetPending_ = false;
  } else if (list.version() != version_) {
    // The lines changed in a way the history did not see: its steps no longer fit them.
    forgetSteps();
    written_.reset();
  }
  if (position_ < steps_.size()) {
    dropSteps(position_, steps_.size());
    if (written_ && *written_ > position_) written_.reset();
  }
  open_ = std::make_unique<Step>();
  open_->kind = kind;
  open_->fromDistance = listDistance_;
  open_->toDistance = toDistance;
  open_->caretBefore = list.caret();
  open_->countBefore = list.count();
  if (kind == EditKind::Regroup) open_->selectedBefore = selectedRows(list);
  open_->before = list.settlement();
  list.setJournal(&open_->journal);
}

void EditHistory::end(BlockList& list) {
  list.setJournal(nullptr);
  std::unique_ptr<Step> step = std::move(open_);
  version_ = list.version();
  if (step->kind == EditKind::Regroup) listDistance_ = step->toDistance;
  // A regrouping of nothing (the window's first) is no step either.
  if (step->journal.empty() || (step->countBefore == 0 && list.count() == 0)) return;
  step->caretAfter = list.caret();
  step->after = list.settlement();
  // Regrouping again costs about as much as the lines it makes: where that is no more than this
  // regrouping made, the distances are kept instead of the old list.
  if (step->kind == EditKind::Regroup && onlyRegroupsBelow() && step->countBefore <= list.count()) {
    step->byDistance = true;
    step->journal = ListJournal();
    step->selectedAfter = selectedRows(list);
  }
  bytes_ += weight(*step);
  steps_.push_back(std::move(step));
  ++position_;
  trim();
}

void EditHistory::recalculated(BlockList& list) {
  if (open_) return end(list);
  if (replaying_) {
    replaying_ = false;
    list.setCaret(replayCaret_);
    if (replaySelection_) {
      list.clearSelection();
      for (int row : *replaySelection_) list.setSelected(row, true);
      replaySelection_ = nullptr;
    }
    version_ = list.version();
    return;
  }
  if (resetPending_) {
    resetPending_ = false;
    version_ = list.version();
  }
}

bool EditHistory::canUndo(const BlockList& list) const {
  return !open_ && !replaying_ && position_ > 0 && list.version() == version_;
}

bool EditHistory::canRedo(const BlockList& list) const {
  return !open_ && !replaying_ && position_ < steps_.size() && list.version() == version_;
}

EditHistory::Replay EditHistory::undo(BlockList& list) {
  if (!canUndo(list)) return {};
  return move(list, *steps_[--position_], true);
}

EditHistory::Replay EditHistory::redo(BlockList& list) {
  if (!canRedo(list)) return {};
  return move(list, *steps_[position_++], false);
}

EditHistory::Replay EditHistory::move(BlockList& list, Step& step, bool back) {
  Replay replay;
  replaying_ = true;
  replayCaret_ = back ? step.caretBefore : step.caretAfter;
  if (step.kind == EditKind::Regroup) {
    listDistance_ = back ? step.fromDistance : step.toDistance;
    replay.distance = listDistance_;
  }
  if (step.byDistance) {
    replaySelection_ = back ? &step.selectedBefore : &step.selectedAfter;
    replay.regroup = true;
    return replay;
  }
  if (back) {
    step.journal.undo(list);
  } else {
    step.journal.redo(list);
  }
  list.restoreSettlement(back ? step.before : step.after);
  list.setCaret(replayCaret_);
  return replay;
}

// Regrouping a search's blocks gives the same list each time only while no edit lies between.
bool EditHistory::onlyRegroupsBelow() const {
  return searchBase_ && std::all_of(steps_.begin(), steps_.begin() + position_,
                                    [](const auto& s) { return s->kind == EditKind::Regroup; });
}

bool EditHistory::counts(const Step& step) const {
  return step.kind == EditKind::Edit || everWritten_ || !searchBase_;
}

bool EditHistory::edited() const {
  if (!written_) return true;
  const std::size_t low = std::min(position_, *written_);
  const std::size_t high = std::max(position_, *written_);
  for (std::size_t i = low; i < high; ++i) {
    if (counts(*steps_[i])) return true;
  }
  return false;
}

void EditHistory::markWritten() {
  written_ = position_;
  everWritten_ = true;
}

// The oldest steps go first; with every step undone, the farthest redo goes instead, so what
// is left still chains to the list as it is.
void EditHistory::trim() {
  while (steps_.size() > 1 && bytes_ > kMemoryBudget) {
    if (position_ > 0) {
      dropSteps(0, 1);
      --position_;
      if (written_) written_ = *written_ > 0 ? std::optional(*written_ - 1) : std::nullopt;
    } else {
      dropSteps(steps_.size() - 1, steps_.size());
    }
  }
}

}  // namespace hm
