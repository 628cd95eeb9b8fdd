#pragma once

#include "app/apply_dif_command.h"
#include "app/jobs.h"
#include "platform/messenger.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hm {

class ListJobs;
class Session;

// The long work on DIF files: opening one for editing, writing the list as one, applying one.
// Each runs on the job runner with its progress in the status line, so the window's loop keeps
// turning however large the files, and "Отмена" (cancel()) stops it at its next look: an opening
// leaves an empty list, a write or an apply leaves every file as it was. The questions (file
// dialogs, doubts, a changed DIF) are asked where the session lives, between the steps.
class DifJobs {
 public:
  using Ended = std::function<void(bool done)>;

  DifJobs(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger);

  // F4: see openDifCommand. False, doing nothing, for an empty path or while other work runs.
  bool open(const std::string& path, Ended ended = {});
  // "Создать DIF" under `path` exactly: see writeDifAt. `ended` runs unless false is returned.
  bool write(const std::string& path, std::chrono::milliseconds lockWait,
             const std::vector<std::string>& held = {}, Ended ended = {});
  // F3: see applyDifCommand.
  bool apply(std::shared_ptr<ApplyAnswers> answers, std::chrono::milliseconds lockWait,
             std::function<void(ApplyEnd)> ended = {});
  void cancel();

 private:
  void begin(const char* text);
  void end();

  Session& session_;
  Jobs& jobs_;
  ListJobs& listJobs_;
  Messenger& messenger_;
};

}  // namespace hm
