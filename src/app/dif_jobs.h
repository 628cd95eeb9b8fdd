#pragma once

#include "app/apply_dif_command.h"
#include "app/jobs.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/result.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace hm {

class ListJobs;
class Session;

// What a write on the job runner says while it runs, once its file is written, and once stopped.
struct WriteTexts {
  const char* writing;
  const char* done;
  const char* cancelled;
};

// Runs `write` on the job runner through a file system that tells the megabytes written in the
// status line and refuses every write once "Отмена" stops the job, so the writer drops its output
// and every file stays as it was; a file already in place stays written. `held` (the locks on the
// files) is let go once the job has ended. On failure the status line goes back to what it said
// and the error is shown. `ended` hears whether the file was written.
void startWriteJob(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger,
                   const std::string& path, const WriteTexts& texts, std::shared_ptr<void> held,
                   std::function<Status(FileSystem&)> write, std::function<void(bool)> ended);

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
