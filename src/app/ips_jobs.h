#pragma once

#include "app/jobs.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/result.h"

#include <chrono>
#include <functional>
#include <string>

namespace hm {

class ListJobs;
class Session;

// The session's list as an IPS under `path`, through `through`: the blocks and bytes "Создать DIF"
// would write (no backup), as an IPS (ipsOf). A block moved off 454F46 starts with the byte the
// DIF itself leaves at 454F45, or else the target's; in DIF-editing mode there is no target.
// Errors say "Ошибка записи IPS файла" where the DIF's would say "Ошибка записи DIF файла"; the
// file that was there stays as it was.
Status writeSessionIps(const Session& session, const std::string& path, FileSystem& through);

// Whether the file at `path` begins as an IPS does: the DIF being edited is saved back as what it
// was read as.
bool holdsIps(FileSystem& fs, const std::string& path);

// "Сохранить как IPS...": writeSessionIps as long work on the job runner, as DifJobs writes a DIF:
// the existing file held under its lock, the DIF being edited replaced only if no other program
// changed it or the user says so, the megabytes written in the status line, and "Отмена"
// (DifJobs::cancel) leaving the file as it was.
class IpsJobs {
 public:
  using Ended = std::function<void(bool done)>;

  IpsJobs(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger);

  // False, doing nothing, while other work runs or after a message when the file is held or a
  // device; `ended` runs otherwise.
  bool write(const std::string& path, std::chrono::milliseconds lockWait, Ended ended = {});

 private:
  Session& session_;
  Jobs& jobs_;
  ListJobs& listJobs_;
  Messenger& messenger_;
};

// The same at once, for the line and the tests: true when the file was written.
bool writeIpsAt(Session& session, Messenger& messenger, const std::string& path,
                std::chrono::milliseconds lockWait);

}  // namespace hm
