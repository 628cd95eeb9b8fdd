#pragma once

#include "app/jobs.h"
#include "platform/clock.h"
#include "platform/messenger.h"
#include "search/diff_search.h"

#include <functional>

namespace hm {

class ListJobs;
class Session;

// "Найти различия": reads and compares the session's two files and regroups the result as long
// work, with a cancel that ends the search at any stage.
class SearchCommand {
 public:
  // The window keeps copies of the files (they may change on disk while it shows them); a job
  // that writes its DIF and ends sees them in place.
  SearchCommand(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger,
                Clock& clock, FileHolding holding = FileHolding::Copies);

  // Starts a search that regroups with the session's distance; false while other work runs or a
  // DIF is edited. It ends with the list in place (its caret on the first line), the cancelled
  // state, or a message; `ended` then runs with whether a list was found.
  bool start(std::function<void(bool found)> ended = {});
  // The cancelled state shows at once; the work stops at its next look.
  void cancel();

 private:
  void showCancelled();

  Session& session_;
  Jobs& jobs_;
  ListJobs& listJobs_;
  Messenger& messenger_;
  Clock& clock_;
  FileHolding holding_;
};

}  // namespace hm
