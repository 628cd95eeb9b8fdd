#include "app/dif_file_commands.h"

#include "app/dif_jobs.h"
#include "app/jobs.h"
#include "app/list_jobs.h"
#include "app/session.h"
#include "dif/dif_writer.h"
#include "platform/file_lock.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace hm {

bool holdExistingFile(FileSystem& fs, Messenger& messenger, const std::string& path,
                      std::chrono::milliseconds wait, std::unique_ptr<FileLock>& held) {
  std::optional<FileInfo> info = fs.stat(path);
  if (!info || !info->regular) return true;
  Result<std::unique_ptr<FileLock>> lock = fs.lock(path, wait, MissingFile::Fails);
  if (!lock) {
    messenger.error(lock.error().message);
    return false;
  }
  held = std::move(lock.value());
  return true;
}

std::optional<std::string> difNameFor(FileSystem& fs, Messenger& messenger,
                                      const std::string& chosen) {
  if (chosen.empty()) return std::nullopt;
  if (namesDeviceOrPipe(fs, chosen)) {
    messenger.error(kDifWriteErrorText);
    return std::nullopt;
  }
  return difOutputName(chosen);
}

bool writeDifCommand(Session& session, Messenger& messenger, const std::string& chosen,
                     std::chrono::milliseconds lockWait, const std::vector<std::string>& held) {
  std::optional<std::string> path = difNameFor(session.fileSystem(), messenger, chosen);
  return path && writeDifAt(session, messenger, *path, lockWait, held);
}

bool writeDifAt(Session& session, Messenger& messenger, const std::string& path,
                std::chrono::milliseconds lockWait, const std::vector<std::string>& held) {
  InlineJobs jobs;
  ListJobs listJobs(session, jobs, messenger, false);
  bool written = false;
  DifJobs(session, jobs, listJobs, messenger).write(path, lockWait, held, [&written](bool done) {
    written = done;
  });
  return written;
}

bool openDifCommand(Session& session, ListJobs& listJobs, Messenger& messenger,
                    const std::string& path) {
  InlineJobs jobs;
  bool opened = false;
  DifJobs(session, jobs, listJobs, messenger).open(path, [&opened](bool done) { opened = done; });
  return opened;
}

}  // namespace hm
