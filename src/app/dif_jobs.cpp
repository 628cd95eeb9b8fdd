#include "app/dif_jobs.h"

#include "app/dif_file_commands.h"
#include "app/list_jobs.h"
#include "app/session.h"
#include "dif/dif_writer.h"
#include "platform/file_lock.h"
#include "platform/user_texts.h"
#include "platform/watched_file_system.h"

#include <algorithm>
#include <string>
#include <utility>

namespace hm {

namespace {

std::string countText(const char* text, std::size_t done, std::size_t count) {
  std::string said = text;
  said += ' ';
  said += std::to_string(done);
  said += kBlocksOfText;
  said += std::to_string(count);
  return said;
}

std::string megabytesText(const char* text, std::uint64_t bytes) {
  std::string said = text;
  said += ' ';
  said += std::to_string(bytes >> 20);
  said += kMegabytesText;
  return said;
}

// The files a write holds under their locks until it has ended.
struct HeldFiles {
  std::unique_ptr<FileLock> dif;
  std::unique_ptr<FileLock> backup;
};

}  // namespace

void startWriteJob(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger,
                   const std::string& path, const WriteTexts& texts, std::shared_ptr<void> held,
                   std::function<Status(FileSystem&)> write, std::function<void(bool)> ended) {
  // A write that fails leaves the status line as it was: nothing was written.
  const std::string before = session.status();
  session.say(texts.writing);
  session.setDifWork(true);
  session.setBusy(true);
  auto outcome = std::make_shared<Status>(success());
  jobs.start(
      [&session, texts, outcome, write = std::move(write)](JobControl& control) {
        WatchedFileSystem watched(session.fileSystem(), control.keepGoing(),
                                  [&session, &control, texts](std::uint64_t written) {
                                    control.post([&session, texts, written] {
                                      if (!session.cancelRequested())
                                        session.say(megabytesText(texts.writing, written));
                                    });
                                  });
        *outcome = write(watched);
      },
      [&session, &listJobs, &messenger, path, texts, outcome, held, before,
       ended = std::move(ended)](JobEnd jobEnd) mutable {
        held.reset();
        session.setDifWork(false);
        session.setBusy(false);
        const bool written = *outcome && jobEnd != JobEnd::OutOfMemory;
        // A file already renamed into place stays written, whenever "Отмена" came.
        if (written) {
          session.noteDifWritten(path);
          session.say(texts.done);
        } else if (session.cancelRequested() || jobEnd == JobEnd::Stopped) {
          session.say(texts.cancelled);
        } else {
          session.say(before);
          messenger.error(jobEnd == JobEnd::OutOfMemory ? std::string(kOutOfMemoryText)
                                                        : outcome->error().message);
        }
        listJobs.afterJob();
        if (ended) ended(written);
      });
}

DifJobs::DifJobs(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger)
    : session_(session), jobs_(jobs), listJobs_(listJobs), messenger_(messenger) {}

void DifJobs::begin(const char* text) {
  session_.say(text);
  session_.setDifWork(true);
  session_.setBusy(true);
}

void DifJobs::end() {
  session_.setDifWork(false);
  session_.setBusy(false);
}

void DifJobs::cancel() {
  if (!session_.difWork() || session_.cancelRequested()) return;
  session_.setDifWork(true, true);
  jobs_.stop();
}

bool DifJobs::open(const std::string& path, Ended ended) {
  if (path.empty() || jobs_.running()) return false;
  session_.setInFile("");
  session_.setEditingDif(true);
  session_.forgetDif();
  const std::string before = session_.status();
  begin(kReadingBlocksText);
  auto loaded = std::make_shared<Session::LoadedDif>();
  auto outcome = std::make_shared<Status>(success());
  jobs_.start(
      [this, path, loaded, outcome](JobControl& control) {
        auto progress = [this, &control](std::size_t listed, std::size_t count) {
          control.post([this, listed, count] {
            if (session_.cancelRequested()) return;
            // Every record listed: the lines are completed next, which takes a while only for
            // many.
            if (listed < count) return session_.say(countText(kReadingBlocksText, listed, count));
            if (count > kManyLines) session_.say(kRecalculatingText);
          });
        };
        *outcome = session_.loadDif(path, *loaded, control.keepGoing(), progress);
      },
      [this, path, loaded, outcome, before, ended](JobEnd jobEnd) {
        const bool stopped = session_.cancelRequested() || jobEnd == JobEnd::Stopped;
        end();
        if (*outcome && !stopped && jobEnd == JobEnd::Done) {
          const Totals totals = loaded->totals;
          session_.adoptDif(path, std::move(*loaded));
          session_.say(totalsText(totals));
          session_.listRecalculated();
          session_.listChanged();
          listJobs_.afterJob();
          if (ended) ended(true);
          return;
        }
        session_.listChanged();
        if (stopped) {
          session_.say(kDifReadCancelledText);
        } else if (jobEnd == JobEnd::OutOfMemory) {
          messenger_.error(kOutOfMemoryText);
        } else {
          // The file could not be read at all: the status line was never the reading's.
          if (outcome->error().code == ErrorCode::OpenFailed) session_.say(before);
          messenger_.error(outcome->error().message);
        }
        listJobs_.afterJob();
        if (ended) ended(false);
      });
  return true;
}

bool DifJobs::write(const std::string& path, std::chrono::milliseconds lockWait,
                    const std::vector<std::string>& held, Ended ended) {
  if (jobs_.running()) return false;
  FileSystem& fs = session_.fileSystem();
  if (namesDeviceOrPipe(fs, path)) {
    messenger_.error(kDifWriteErrorText);
    return false;
  }
  const bool backup = session_.backupWanted() && !session_.editingDif();
  // Both files of the pair are held before either is written, so a run adding a block to the
  // DIF meanwhile is not undone.
  auto hold = [&](const std::string& name, std::unique_ptr<FileLock>& lock) {
    return std::find(held.begin(), held.end(), name) != held.end() ||
           holdExistingFile(fs, messenger_, name, lockWait, lock);
  };
  auto locks = std::make_shared<HeldFiles>();
  if (!hold(path, locks->dif)) return false;
  if (backup && !hold(backupDifName(path), locks->backup)) return false;
  if (session_.editedDifChangedOnDisk(path) &&
      messenger_.show(kDifChangedText, MessageButtons::YesNo, MessageIcon::Question) !=
          MessageAnswer::Yes) {
    return false;
  }
  startWriteJob(
      session_, jobs_, listJobs_, messenger_, path,
      {kDifWritingText, kDifCreatedText, kDifWriteCancelledText}, locks,
      [&session = session_, path, backup](FileSystem& through) {
        return session.writeDif(path, backup, through);
      },
      std::move(ended));
  return true;
}

bool DifJobs::apply(std::shared_ptr<ApplyAnswers> answers, std::chrono::milliseconds lockWait,
                    std::function<void(ApplyEnd)> ended) {
  if (jobs_.running()) return false;
  const std::string before = session_.status();
  begin(kApplyingText);
  auto progress = [this](std::uint64_t written) {
    if (!session_.cancelRequested()) session_.say(megabytesText(kApplyingText, written));
  };
  startApplyDif(session_.fileSystem(), messenger_, std::move(answers), lockWait, jobs_, progress,
                [this, before, ended](ApplyEnd how) {
                  const bool stopped = how == ApplyEnd::Stopped;
                  end();
                  // The answers said what was done or refused; nothing done leaves the line.
                  if (stopped) session_.say(kApplyCancelledText);
                  if (how == ApplyEnd::Cancelled || how == ApplyEnd::Failed) session_.say(before);
                  listJobs_.afterJob();
                  if (ended) ended(how);
                });
  return true;
}

}  // namespace hm
