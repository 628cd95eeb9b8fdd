#include "app/list_jobs.h"

#include "app/session.h"
#include "platform/user_texts.h"

#include <memory>

namespace hm {

ListJobs::ListJobs(Session& session, Jobs& jobs, Messenger& messenger, bool aside)
    : session_(session), jobs_(jobs), messenger_(messenger), aside_(aside) {}

void ListJobs::regroup(int minDistance) {
  if (jobs_.running()) {
    pendingDistance_ = minDistance;
    if (regrouping_) jobs_.stop();
    return;
  }
  pendingDistance_.reset();
  session_.beginEdit(EditKind::Regroup, minDistance);
  if (!aside_ || session_.rawBlocks().size() <= kManyLines) {
    session_.regroup(minDistance);
    recalculate();
    return;
  }
  startRegroup(minDistance);
}

// A cancelled or failed search leaves nothing to regroup, and its message stands.
void ListJobs::afterJob() {
  if (jobs_.running() || !pendingDistance_) return;
  if (session_.rawBlocks().empty()) {
    pendingDistance_.reset();
    return;
  }
  regroup(*pendingDistance_);
}

void ListJobs::startRegroup(int minDistance) {
  regrouping_ = true;
  session_.setBusy(true);
  session_.say(kGroupingText);
  auto built = std::make_shared<BlockList>();
  jobs_.start(
      [this, minDistance, built](JobControl& control) {
        session_.regroupInto(minDistance, *built, control.keepGoing());
      },
      [this, built](JobEnd end) {
        regrouping_ = false;
        session_.setBusy(false);
        // A stopped regrouping gives way to the newer distance; the old list stays meanwhile.
        if (end == JobEnd::Stopped) return afterJob();
        if (end == JobEnd::OutOfMemory) {
          messenger_.error(kOutOfMemoryText);
          session_.listRecalculated();
          return afterJob();
        }
        session_.adoptBlocks(std::move(*built));
        recalculate();
        afterJob();
      });
}

void ListJobs::recalculate() {
  if (!aside_ || session_.recalcWork() <= kManyLines || jobs_.running()) {
    session_.say(totalsText(session_.recalculate()));
    session_.listRecalculated();
    session_.listChanged();
    return;
  }
  startRecalc();
}

// The whole pass reads the list the window shows, which stays as it is until the new one
// takes its place.
void ListJobs::startRecalc() {
  session_.setBusy(true);
  session_.say(kRecalculatingText);
  auto built = std::make_shared<BlockList>();
  auto totals = std::make_shared<std::optional<Totals>>();
  jobs_.start(
      [this, built, totals](JobControl& control) {
        *totals = session_.recalcInto(*built, control.keepGoing());
      },
      [this, built, totals](JobEnd end) {
        session_.setBusy(false);
        // Stopped only when the window closes.
        if (end == JobEnd::Stopped) return;
        if (end == JobEnd::OutOfMemory || !*totals) {
          messenger_.error(kOutOfMemoryText);
          session_.listRecalculated();
          session_.listChanged();
          return afterJob();
        }
        session_.adoptBlocks(std::move(*built));
        session_.say(totalsText(**totals));
        session_.listRecalculated();
        session_.listChanged();
        afterJob();
      });
}

}  // namespace hm
