#include "app/qt/search_command.h"

#include "app/qt/command_host.h"
#include "app/qt/job_runner.h"
#include "app/qt/list_jobs.h"
#include "app/session.h"
#include "platform/user_texts.h"

#include <memory>

#include <QPushButton>
#include <QString>

namespace hm {

namespace {

// What the search leaves for the window's thread.
struct Found {
  Status searched = success();
  BlockList lines;
};

}  // namespace

SearchCommand::SearchCommand(Session& session, CommandHost& host, JobRunner& jobs,
                             Messenger& messenger, Clock& clock, QPushButton* cancelButton)
    : session_(session),
      host_(host),
      jobs_(jobs),
      messenger_(messenger),
      clock_(clock),
      cancelButton_(cancelButton) {}

bool SearchCommand::start(const std::string& sourcePath, const std::string& targetPath,
                          int minDistance) {
  if (jobs_.running()) return false;
  session_.releaseSearch();
  host_.Activity();
  cancelRequested_ = false;
  cancelButton_->setVisible(true);
  // Running before busy: what the window does on becoming busy must see the search under way.
  running_ = true;
  host_.setBusy(true);
  auto found = std::make_shared<Found>();
  // Progress reaches the status line only while the search has not been cancelled: a report
  // still on its way must not cover "Поиск отменен.".
  auto say = [this](QString text) {
    if (!cancelRequested_) host_.say(text);
  };
  jobs_.start(
      [this, sourcePath, targetPath, minDistance, found, say](JobControl& control) {
        auto progress = [&control, say](std::uint64_t differences) {
          control.post(
              [say, differences] { say(kSearchProgressText + QString::number(differences)); });
          return !control.stopRequested();
        };
        found->searched = session_.search(sourcePath, targetPath, clock_, progress);
        if (!found->searched) return;
        if (session_.rawBlocks().size() > kManyLines) control.post([say] { say(kGroupingText); });
        session_.regroupInto(minDistance, found->lines, control.keepGoing());
      },
      [this, found](JobEnd end) { finish(end, found->searched, found->lines); });
  return true;
}

void SearchCommand::finish(JobEnd end, const Status& searched, BlockList& lines) {
  running_ = false;
  host_.setBusy(false);
  const bool cancelled = cancelRequested_ || end == JobEnd::Stopped ||
                         (!searched && searched.error().code == ErrorCode::Cancelled);
  if (cancelled || end == JobEnd::OutOfMemory || !searched) {
    session_.releaseSearch();
    if (cancelled) {
      showCancelled();
    } else {
      messenger_.error(end == JobEnd::OutOfMemory ? kOutOfMemoryText : searched.error().message);
    }
    host_.Activity();
    host_.focusAfterSearch(false);
    return;
  }
  if (lines.count() > 0) lines.setCaret(0);
  session_.adoptBlocks(std::move(lines));
  host_.reCalc();
  host_.focusAfterSearch(true);
}

void SearchCommand::showCancelled() {
  session_.blocks().clear();
  host_.say(kSearchCancelledText);
}

void SearchCommand::cancel() {
  cancelButton_->setVisible(false);
  if (!running_ || cancelRequested_) return;
  cancelRequested_ = true;
  jobs_.stop();
  showCancelled();
}

}  // namespace hm
