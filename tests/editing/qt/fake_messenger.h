#pragma once

#include "platform/messenger.h"

#include <string>
#include <vector>

namespace hm::test {

// Records every box the window shows and answers it from a script (OK when the script is out).
class FakeMessenger : public Messenger {
 public:
  struct Shown {
    std::string text;
    MessageButtons buttons;
    MessageIcon icon;
  };

  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    shown.push_back({text, buttons, icon});
    if (answers.empty()) return MessageAnswer::Ok;
    MessageAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }

  std::vector<Shown> shown;
  std::vector<MessageAnswer> answers;
};

}  // namespace hm::test
