#pragma once

#include <string>

namespace hm {

enum class MessageIcon { None, Stop, Exclamation, Question };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// Every message box of the program goes through one of these: the window shows a real box,
// an unattended run writes to standard error, a test reads and answers it.
class Messenger {
 public:
  virtual ~Messenger() = default;
  virtual MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;

  void error(const std::string& text) { show(text, MessageButtons::Ok, MessageIcon::Stop); }
  void notice(const std::string& text) { show(text, MessageButtons::Ok, MessageIcon::None); }
};

// Writes each message to standard error and answers OK.
class StderrMessenger : public Messenger {
 public:
  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
};

}  // namespace hm
