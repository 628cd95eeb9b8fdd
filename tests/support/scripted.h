#pragma once

#include "platform/file_chooser.h"
#include "platform/messenger.h"

#include <deque>
#include <string>
#include <vector>

namespace hm::test {

// Records every message and answers from a script (the default button once it runs out).
class ScriptedMessenger : public Messenger {
 public:
  struct Shown {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
  };

  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    shown.push_back({text, buttons, icon});
    if (answers.empty()) {
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }

  std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }

  std::deque<MessageAnswer> answers;
  std::vector<Shown> shown;
};

// Answers file dialogs from a queue of paths ("" cancels) and records the requests.
class ScriptedFileDialogs : public FileDialogs {
 public:
  std::string choose(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (paths.empty()) return {};
    std::string p = paths.front();
    paths.pop_front();
    return p;
  }

  std::deque<std::string> paths;
  std::vector<FileDialogRequest> requests;
};

}  // namespace hm::test
