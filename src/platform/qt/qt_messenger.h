#pragma once

#include "platform/messenger.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace hm {

// True on Qt's offscreen and minimal platforms, where no person can answer a box.
bool isHeadlessPlatform();

// Message boxes titled "Hexmarshal" with the icon asked for; on a headless platform the text
// goes to standard error and counts as answered with the box's default button.
class QtMessenger : public Messenger {
 public:
  explicit QtMessenger(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override;

 private:
  QWidget* parent_;
};

// The box that show() runs, built but not yet shown.
std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, MessageButtons buttons,
                                            MessageIcon icon, QWidget* parent);
// What a finished box answered: closing an OK/Cancel box other than by OK is Cancel, closing a
// Yes/No box other than by Yes is No.
MessageAnswer answerOf(const QMessageBox& box);

}  // namespace hm
