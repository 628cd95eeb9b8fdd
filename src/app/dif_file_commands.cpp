#include "app/dif_file_commands.h"

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

bool writeDifCommand(Session& session, Messenger& messenger, const std::string& chosen,
                     std::chrono::milliseconds lockWait, const std::vector<std::string>& held) {
  if (chosen.empty()) return false;
  FileSystem& fs = session.fileSystem();
  if (namesDeviceOrPipe(fs, chosen)) {
    messenger.error(kDifWriteErrorText);
    return false;
  }
  return writeDifAt(session, messenger, difOutputName(chosen), lockWait, held);
}

bool writeDifAt(Session& session, Messenger& messenger, const std::string& path,
                std::chrono::milliseconds lockWait, const std::vector<std::string>& held) {
  FileSystem& fs = session.fileSystem();
  if (namesDeviceOrPipe(fs, path)) {
    messenger.error(kDifWriteErrorText);
    return false;
  }
  const bool backup = session.backupWanted() && !session.editingDif();
  // Both files of the pair are held before either is written, so a run adding a block to the
  // DIF meanwhile is not undone.
  auto hold = [&](const std::string& name, std::unique_ptr<FileLock>& lock) {
    return std::find(held.begin(), held.end(), name) != held.end() ||
           holdExistingFile(fs, messenger, name, lockWait, lock);
  };
  std::unique_ptr<FileLock> difLock, backupLock;
  if (!hold(path, difLock)) return false;
  if (backup && !hold(backupDifName(path), backupLock)) return false;
  if (session.editedDifChangedOnDisk(path) &&
      messenger.show(kDifChangedText, MessageButtons::YesNo, MessageIcon::Question) !=
          MessageAnswer::Yes) {
    return false;
  }
  // A write that fails leaves the status line as it was: nothing was written.
  const std::string before = session.status();
  session.say(kDifWritingText);
  if (Status written = session.writeDif(path, backup); !written) {
    session.say(before);
    messenger.error(written.error().message);
    return false;
  }
  session.noteDifWritten(path);
  session.say(kDifCreatedText);
  return true;
}

bool openDifCommand(Session& session, ListJobs& listJobs, Messenger& messenger,
                    const std::string& path) {
  if (path.empty()) return false;
  session.setInFile("");
  session.setEditingDif(true);
  if (Status read = session.readDif(path); !read) {
    session.listChanged();
    messenger.error(read.error().message);
    return false;
  }
  session.say(kReadingBlocksText);
  if (Status listed = session.listDif(); !listed) {
    session.listChanged();
    messenger.error(listed.error().message);
    return false;
  }
  listJobs.recalculate();
  return true;
}

}  // namespace hm
