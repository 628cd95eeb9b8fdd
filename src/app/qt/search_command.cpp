#include "app/qt/search_command.h"

#include "app/qt/command_host.h"
#include "app/session.h"
#include "platform/user_texts.h"

#include <QPushButton>
#include <QString>

namespace hm {

SearchCommand::SearchCommand(Session& session, CommandHost& host, Messenger& messenger,
                             Clock& clock, QPushButton* cancelButton)
    : session_(session),
      host_(host),
      messenger_(messenger),
      clock_(clock),
      cancelButton_(cancelButton) {}

bool SearchCommand::run(const std::string& sourcePath, const std::string& targetPath,
                        const std::function<void()>& regroup) {
  if (running_) return false;
  session_.releaseSearch();
  host_.Activity();
  cancelRequested_ = false;
  cancelButton_->setVisible(true);
  host_.yieldToEvents();

  running_ = true;
  auto progress = [this](std::uint64_t differences) {
    host_.say(kSearchProgressText + QString::number(differences));
    host_.yieldToEvents();
    return !cancelRequested_;
  };
  Status searched = session_.search(sourcePath, targetPath, clock_, progress);
  running_ = false;

  if (searched) {
    regroup();
    return true;
  }
  if (searched.error().code == ErrorCode::Cancelled) {
    session_.blocks().clear();
    host_.say(kSearchCancelledText);
  } else {
    messenger_.error(searched.error().message);
  }
  host_.Activity();
  return false;
}

void SearchCommand::cancel() {
  cancelRequested_ = true;
  cancelButton_->setVisible(false);
}

}  // namespace hm
