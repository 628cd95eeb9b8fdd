#include "platform/qt/qt_messenger.h"

#include "platform/qt/qt_text.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

namespace hm {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

bool isHeadlessPlatform() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

std::unique_ptr<QMessageBox> makeMessageBox(const std::string& text, MessageButtons buttons,
                                            MessageIcon icon, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(boxIcon(icon), QStringLiteral("Hexmarshal"), qt(text),
                                           QMessageBox::NoButton, parent);
  switch (buttons) {
    case MessageButtons::Ok:
      box->setStandardButtons(QMessageBox::Ok);
      box->setDefaultButton(QMessageBox::Ok);
      break;
    case MessageButtons::OkCancel:
      box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box->setDefaultButton(QMessageBox::Ok);
      box->setEscapeButton(QMessageBox::Cancel);
      break;
    case MessageButtons::YesNo:
      box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box->setDefaultButton(QMessageBox::No);
      box->setEscapeButton(QMessageBox::No);
      break;
  }
  return box;
}

MessageAnswer answerOf(const QMessageBox& box) {
  if (box.button(QMessageBox::Yes)) {
    return box.clickedButton() == box.button(QMessageBox::Yes) ? MessageAnswer::Yes
                                                               : MessageAnswer::No;
  }
  if (!box.button(QMessageBox::Cancel)) return MessageAnswer::Ok;
  return box.clickedButton() == box.button(QMessageBox::Ok) ? MessageAnswer::Ok
                                                            : MessageAnswer::Cancel;
}

MessageAnswer QtMessenger::show(const std::string& text, MessageButtons buttons, MessageIcon icon) {
  if (isHeadlessPlatform()) return StderrMessenger().show(text, buttons, icon);
  std::unique_ptr<QMessageBox> box = makeMessageBox(text, buttons, icon, parent_);
  box->exec();
  return answerOf(*box);
}

}  // namespace hm
