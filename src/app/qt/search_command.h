#pragma once

#include "platform/clock.h"
#include "platform/messenger.h"
#include "platform/result.h"

#include <string>

class QPushButton;

namespace hm {

class BlockList;
class CommandHost;
class JobRunner;
class Session;
enum class JobEnd;

// "Найти различия": reads and compares the two files and regroups the result on the job runner,
// while the window stays live with a cancel button that ends the search at any stage.
class SearchCommand {
 public:
  SearchCommand(Session& session, CommandHost& host, JobRunner& jobs, Messenger& messenger,
                Clock& clock, QPushButton* cancelButton);

  // Starts a search that regroups with `minDistance`; false while other work runs. The search
  // ends on the window's thread, with the list shown, the cancelled state, or a message.
  bool start(const std::string& sourcePath, const std::string& targetPath, int minDistance);
  // The cancelled state shows at once; the work stops at its next look.
  void cancel();
  bool running() const { return running_; }

 private:
  void finish(JobEnd end, const Status& searched, BlockList& lines);
  void showCancelled();

  Session& session_;
  CommandHost& host_;
  JobRunner& jobs_;
  Messenger& messenger_;
  Clock& clock_;
  QPushButton* cancelButton_;
  bool cancelRequested_ = false;
  bool running_ = false;
};

}  // namespace hm
