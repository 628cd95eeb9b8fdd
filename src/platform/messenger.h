#pragma once

#include <string>

namespace hm {

enum class MessageIcon { None, Stop, Exclamation, Question };
// A Yes/No question defaults to No: a reflexive Enter must not overwrite anything.
enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Every message box of the program goes through one of these: the window shows a real box,
// an unattended run writes to standard error, a test reads and answers it.
class Messenger {
 public:
  virtual ~Messenger() = default;
  virtual MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) = 0;

  void error(const std::string& text) { show(text, MessageButtons::Ok, MessageIcon::Stop); }
  void notice(const std::string& text) { show(text, MessageButtons::Ok, MessageIcon::None); }
};

// Writes each message to standard error and answers with the box's default button: No to a
// Yes/No question, OK to the rest.
class StderrMessenger : public Messenger {
 public:
  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override;
};

}  // namespace hm
