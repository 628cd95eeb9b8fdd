#pragma once

#include "blocks/block_list.h"
#include "blocks/list_journal.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace hm {

enum class EditKind {
  Edit,     // merge, delete, add, re-address, a data block: the lines the user changed
  Regroup,  // the list rebuilt from the last search at another distance
};

// The edits of the block list since it was last searched for or opened, for undo and redo.
// Each step keeps what its journal wrote down (the few lines an edit touched) together with the
// caret and settled state on either side. A regrouping while every step below it is a regrouping
// of the same search keeps only its two distances when regrouping back would make no more lines
// than it made: regrouping again gives the very same list, at no memory, in no more time. The
// oldest steps go when all of them would hold more than kMemoryBudget.
//
// An edit runs from begin() to the end of its recalculation, which the list's jobs report with
// recalculated(); so do an undo and a redo. Lines changed otherwise (a search, a file opened)
// leave nothing to undo until the history is reset.
class EditHistory {
 public:
  static constexpr std::size_t kMemoryBudget = std::size_t{512} << 20;

  // A fresh history for the list as it is. A search's list holds nothing a person made, so
  // regrouping it does not count as an edit to lose; an opened DIF's list is what its file holds.
  // `distance`: what the list is grouped at.
  void reset(BlockList& list, bool fromSearch, int distance);

  // The list's changes are written down from now until the recalculation ends. A regrouping
  // that takes over from one still under way goes on in the same step.
  void begin(BlockList& list, EditKind kind, int toDistance = 0);
  // Every recalculation of the list ends here: an edit becomes a step, an undo or redo is done.
  void recalculated(BlockList& list);

  bool canUndo(const BlockList& list) const;
  bool canRedo(const BlockList& list) const;

  // What the caller does to finish an undo or redo: regroup the search's blocks at `distance`
  // (when `regroup`), or only recalculate; for a regrouping, the distance to show.
  struct Replay {
    bool regroup = false;
    std::optional<int> distance;
  };
  // Take the list one step back or forward. The list must not have changed since the history
  // last saw it (canUndo/canRedo).
  Replay undo(BlockList& list);
  Replay redo(BlockList& list);
  bool replaying() const { return replaying_; }

  // Whether the list holds edits not yet written: after a write, any step away from it; before
  // one, any edit (a search regrouped holds none).
  bool edited() const;
  void markWritten();

  std::size_t steps() const { return steps_.size(); }
  std::size_t position() const { return position_; }
  // What the steps hold, as they were recorded: kept as they come and go, so an edit on a long
  // history costs no walk over it.
  std::size_t memoryBytes() const { return bytes_; }
  int listDistance() const { return listDistance_; }

 private:
  struct Step {
    EditKind kind = EditKind::Edit;
    ListJournal journal;
    bool byDistance = false;
    int fromDistance = 0;
    int toDistance = 0;
    int caretBefore = -1;
    int caretAfter = -1;
    int countBefore = 0;
    // A regrouping redone from its distances builds its lines anew: their selection is kept here.
    std::vector<int> selectedBefore;
    std::vector<int> selectedAfter;
    BlockList::Settlement before;
    BlockList::Settlement after;
  };

  void end(BlockList& list);
  void forgetSteps();
  static std::size_t weight(const Step& step);
  void dropSteps(std::size_t from, std::size_t to);
  bool onlyRegroupsBelow() const;
  bool counts(const Step& step) const;
  void trim();
  Replay move(BlockList& list, Step& step, bool back);

  std::vector<std::unique_ptr<Step>> steps_;
  std::size_t position_ = 0;  // steps_[0, position_) are done
  std::size_t bytes_ = 0;
  std::unique_ptr<Step> open_;
  bool replaying_ = false;
  int replayCaret_ = -1;
  const std::vector<int>* replaySelection_ = nullptr;
  bool resetPending_ = false;
  std::uint64_t version_ = 0;  // the list's version when the history last saw it
  bool searchBase_ = false;
  int listDistance_ = 0;
  std::optional<std::size_t> written_ = 0;  // the position last written; none when trimmed off
  bool everWritten_ = false;
};

}  // namespace hm
