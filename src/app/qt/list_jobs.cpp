#include "app/qt/list_jobs.h"

#include "app/qt/command_host.h"
#include "app/qt/job_runner.h"
#include "app/session.h"
#include "platform/user_texts.h"

#include <memory>

#include <QString>

namespace hm {

ListJobs::ListJobs(Session& session, CommandHost& host, JobRunner& jobs, Messenger& messenger)
    : session_(session), host_(host), jobs_(jobs), messenger_(messenger) {
  QObject::connect(&jobs_, &JobRunner::finished, [this] { afterJob(); });
}

void ListJobs::regroup(int minDistance) {
  if (jobs_.running()) {
    pendingDistance_ = minDistance;
    if (regrouping_) jobs_.stop();
    return;
  }
  pendingDistance_.reset();
  if (session_.rawBlocks().size() <= kManyLines) {
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
  host_.setBusy(true);
  host_.say(kGroupingText);
  auto built = std::make_shared<BlockList>();
  jobs_.start(
      [this, minDistance, built](JobControl& control) {
        session_.regroupInto(minDistance, *built, control.keepGoing());
      },
      [this, built](JobEnd end) {
        regrouping_ = false;
        host_.setBusy(false);
        // A stopped regrouping gives way to the newer distance; the old list stays meanwhile.
        if (end == JobEnd::Stopped) return;
        if (end == JobEnd::OutOfMemory) {
          messenger_.error(kOutOfMemoryText);
          return;
        }
        session_.adoptBlocks(std::move(*built));
        recalculate();
      });
}

void ListJobs::recalculate() {
  if (session_.recalcWork() <= kManyLines || jobs_.running()) {
    host_.say(QString::fromStdString(totalsText(session_.recalculate())));
    host_.Activity();
    return;
  }
  startRecalc();
}

// The whole pass reads the list the window shows, which stays as it is until the new one
// takes its place.
void ListJobs::startRecalc() {
  host_.setBusy(true);
  host_.say(kRecalculatingText);
  auto built = std::make_shared<BlockList>();
  auto totals = std::make_shared<std::optional<Totals>>();
  jobs_.start(
      [this, built, totals](JobControl& control) {
        *totals = session_.recalcInto(*built, control.keepGoing());
      },
      [this, built, totals](JobEnd end) {
        host_.setBusy(false);
        // Stopped only when the window closes.
        if (end == JobEnd::Stopped) return;
        if (end == JobEnd::OutOfMemory || !*totals) {
          messenger_.error(kOutOfMemoryText);
          host_.Activity();
          return;
        }
        session_.adoptBlocks(std::move(*built));
        host_.say(QString::fromStdString(totalsText(**totals)));
        host_.Activity();
      });
}

}  // namespace hm
