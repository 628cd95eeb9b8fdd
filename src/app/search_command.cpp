#include "app/search_command.h"

#include "app/history_commands.h"
#include "app/list_jobs.h"
#include "app/session.h"
#include "platform/user_texts.h"

#include <memory>
#include <string>

namespace hm {

namespace {

// What the search leaves for the session's owner.
struct Found {
  Status searched = success();
  BlockList lines;
};

}  // namespace

SearchCommand::SearchCommand(Session& session, Jobs& jobs, ListJobs& listJobs, Messenger& messenger,
                             Clock& clock, FileHolding holding)
    : session_(session),
      jobs_(jobs),
      listJobs_(listJobs),
      messenger_(messenger),
      clock_(clock),
      holding_(holding) {}

bool SearchCommand::start(std::function<void(bool found)> ended) {
  if (jobs_.running() || session_.editingDif()) return false;
  if (!mayDiscardEdits(session_, messenger_)) return false;
  // Whatever the search ends in, the list's edits so far are no longer to be undone.
  session_.startSearchHistory(session_.minDistance());
  session_.releaseSearch();
  // Searching before busy: what the window does on becoming busy must see the search under way.
  session_.setSearching(true);
  session_.setBusy(true);
  auto found = std::make_shared<Found>();
  const int minDistance = session_.minDistance();
  // Progress reaches the status line only while the search has not been cancelled: a report
  // still on its way must not cover "Поиск отменен.".
  auto say = [this](const std::string& text) {
    if (!session_.cancelRequested()) session_.say(text);
  };
  jobs_.start(
      [this, minDistance, found, say](JobControl& control) {
        auto progress = [&control, say](std::uint64_t differences) {
          control.post(
              [say, differences] { say(kSearchProgressText + std::to_string(differences)); });
          return !control.stopRequested();
        };
        found->searched = session_.search(clock_, progress, holding_);
        if (!found->searched) return;
        if (session_.rawBlocks().size() > kManyLines) control.post([say] { say(kGroupingText); });
        session_.regroupInto(minDistance, found->lines, control.keepGoing());
      },
      [this, found, ended](JobEnd end) {
        const bool cancelled =
            session_.cancelRequested() || end == JobEnd::Stopped ||
            (!found->searched && found->searched.error().code == ErrorCode::Cancelled);
        session_.setSearching(false);
        session_.setBusy(false);
        if (cancelled || end == JobEnd::OutOfMemory || !found->searched) {
          session_.releaseSearch();
          if (cancelled) {
            showCancelled();
          } else {
            messenger_.error(end == JobEnd::OutOfMemory ? kOutOfMemoryText
                                                        : found->searched.error().message);
          }
          session_.listChanged();
          listJobs_.afterJob();
          if (ended) ended(false);
          return;
        }
        if (found->lines.count() > 0) found->lines.setCaret(0);
        session_.adoptBlocks(std::move(found->lines));
        listJobs_.recalculate();
        listJobs_.afterJob();
        if (ended) ended(true);
      });
  return true;
}

void SearchCommand::showCancelled() {
  session_.blocks().clear();
  session_.say(kSearchCancelledText);
}

void SearchCommand::cancel() {
  if (!session_.searching() || session_.cancelRequested()) return;
  session_.setSearching(true, true);
  jobs_.stop();
  showCancelled();
  session_.listChanged();
}

}  // namespace hm
