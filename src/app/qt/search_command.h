#pragma once

#include "platform/clock.h"
#include "platform/messenger.h"

#include <functional>
#include <string>

class QPushButton;

namespace hm {

class CommandHost;
class Session;

// "Найти различия": compares the two files while the window stays live, with a cancel button
// that ends the search at its next progress report.
class SearchCommand {
 public:
  SearchCommand(Session& session, CommandHost& host, Messenger& messenger, Clock& clock,
                QPushButton* cancelButton);

  // Returns whether the search completed; `regroup` builds the list from its result.
  bool run(const std::string& sourcePath, const std::string& targetPath,
           const std::function<void()>& regroup);
  void cancel();
  bool running() const { return running_; }

 private:
  Session& session_;
  CommandHost& host_;
  Messenger& messenger_;
  Clock& clock_;
  QPushButton* cancelButton_;
  bool cancelRequested_ = false;
  bool running_ = false;
};

}  // namespace hm
