#pragma once

#include "app/jobs.h"
#include "platform/messenger.h"

#include <cstddef>
#include <optional>

namespace hm {

class Session;

// Work on more lines than this runs as long work, with a progress text in the status line; less
// is done at once, as quick as a repaint.
inline constexpr std::size_t kManyLines = 100'000;

// The regrouping and the recalculation of the session's list. Long ones run on the job runner
// and put their list in place when done; meanwhile the old list stays in place.
class ListJobs {
 public:
  // `aside`: long work builds its list aside, so that the old one can stay in view meanwhile;
  // without a window to show it, the work is done in place, at no copy.
  ListJobs(Session& session, Jobs& jobs, Messenger& messenger, bool aside = true);

  // A new distance while a regrouping runs stops it for the newest one; while other work runs
  // (a search), the regrouping follows it if it found anything.
  void regroup(int minDistance);
  // Every change of the list ends here: totals in the status line, the controls follow.
  void recalculate();
  // Long work ended: a distance that waited for it is applied now.
  void afterJob();

 private:
  void startRegroup(int minDistance);
  void startRecalc();

  Session& session_;
  Jobs& jobs_;
  Messenger& messenger_;
  bool aside_;
  bool regrouping_ = false;
  std::optional<int> pendingDistance_;
};

}  // namespace hm
