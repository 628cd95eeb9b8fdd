#pragma once

#include "platform/messenger.h"

#include <cstddef>
#include <optional>

namespace hm {

class CommandHost;
class JobRunner;
class Session;

// Work on more lines than this runs on the job runner, with a progress text in the status line;
// less is done at once, as quick as a repaint.
inline constexpr std::size_t kManyLines = 100'000;

// The regrouping and the recalculation of the window's list. Long ones run on the job runner
// and put their list in place when done; meanwhile the old list stays on screen.
class ListJobs {
 public:
  ListJobs(Session& session, CommandHost& host, JobRunner& jobs, Messenger& messenger);

  // A new distance while a regrouping runs stops it for the newest one; while a search runs,
  // the regrouping follows the search if it found anything.
  void regroup(int minDistance);
  // Shows the totals and the control state when done.
  void recalculate();

 private:
  void startRegroup(int minDistance);
  void startRecalc();
  void afterJob();

  Session& session_;
  CommandHost& host_;
  JobRunner& jobs_;
  Messenger& messenger_;
  bool regrouping_ = false;
  std::optional<int> pendingDistance_;
};

}  // namespace hm
