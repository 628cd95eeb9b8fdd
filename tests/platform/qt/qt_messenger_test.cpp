#include "platform/qt/qt_messenger.h"

#include "support/temp_dir.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace hm {

namespace {

// Runs `body` with standard error going to a file and returns what was written.
std::string capturedStderr(const std::function<void()>& body) {
  test::TempDir dir;
  const std::string path = dir.file("stderr.txt");
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  FILE* sink = std::fopen(path.c_str(), "w");
  dup2(fileno(sink), STDERR_FILENO);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(sink);
  const std::vector<std::uint8_t> bytes = test::readFile(path);
  return {bytes.begin(), bytes.end()};
}

enum class Action { ClickOk, ClickCancel, ClickYes, ClickNo, PressEscape, CloseWindow };

}  // namespace

}  // namespace hm

Q_DECLARE_METATYPE(hm::MessageIcon)
Q_DECLARE_METATYPE(hm::MessageButtons)
Q_DECLARE_METATYPE(hm::MessageAnswer)
Q_DECLARE_METATYPE(hm::Action)

namespace hm {

class QtMessengerTest : public QObject {
  Q_OBJECT

 private slots:
  void offscreenCountsAsHeadless() { QVERIFY(isHeadlessPlatform()); }

  void headlessBoxGoesToStandardErrorAnsweredOk() {
    QtMessenger messenger;
    MessageAnswer first = MessageAnswer::Cancel;
    MessageAnswer second = MessageAnswer::Cancel;
    MessageAnswer third = MessageAnswer::Yes;
    const std::string written = capturedStderr([&] {
      first = messenger.show("Too Large File! (Max 16Mb)", MessageButtons::Ok, MessageIcon::Stop);
      second = messenger.show("Удалить блоки?", MessageButtons::OkCancel, MessageIcon::Question);
      third = messenger.show("Перезаписать?", MessageButtons::YesNo, MessageIcon::Question);
    });
    QCOMPARE(first, MessageAnswer::Ok);
    QCOMPARE(second, MessageAnswer::Ok);
    QCOMPARE(third, MessageAnswer::No);
    QCOMPARE(written, std::string("Hexmarshal: Too Large File! (Max 16Mb)\nHexmarshal: Удалить "
                                  "блоки?\nHexmarshal: Перезаписать?\n"));
  }

  void boxLooksAsAsked_data() {
    QTest::addColumn<MessageIcon>("icon");
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<QMessageBox::Icon>("expectedIcon");
    QTest::addColumn<QMessageBox::StandardButtons>("expectedButtons");
    QTest::addColumn<QMessageBox::StandardButton>("expectedDefault");
    QTest::newRow("error") << MessageIcon::Stop << MessageButtons::Ok << QMessageBox::Critical
                           << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
    QTest::newRow("missing selection")
        << MessageIcon::Exclamation << MessageButtons::Ok << QMessageBox::Warning
        << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
    QTest::newRow("confirmation") << MessageIcon::Question << MessageButtons::OkCancel
                                  << QMessageBox::Question
                                  << (QMessageBox::Ok | QMessageBox::Cancel) << QMessageBox::Ok;
    QTest::newRow("yes/no question")
        << MessageIcon::Question << MessageButtons::YesNo << QMessageBox::Question
        << (QMessageBox::Yes | QMessageBox::No) << QMessageBox::No;
    QTest::newRow("notice") << MessageIcon::None << MessageButtons::Ok << QMessageBox::NoIcon
                            << QMessageBox::StandardButtons(QMessageBox::Ok) << QMessageBox::Ok;
  }

  void boxLooksAsAsked() {
    QFETCH(MessageIcon, icon);
    QFETCH(MessageButtons, buttons);
    QFETCH(QMessageBox::Icon, expectedIcon);
    QFETCH(QMessageBox::StandardButtons, expectedButtons);
    QFETCH(QMessageBox::StandardButton, expectedDefault);
    std::unique_ptr<QMessageBox> box = makeMessageBox("Готово", buttons, icon, nullptr);
    QCOMPARE(box->windowTitle(), QString("Hexmarshal"));
    QCOMPARE(box->text(), QString("Готово"));
    QCOMPARE(box->icon(), expectedIcon);
    QCOMPARE(box->standardButtons(), expectedButtons);
    QCOMPARE(box->defaultButton(), box->button(expectedDefault));
  }

  void answerFollowsHowTheBoxWasClosed_data() {
    QTest::addColumn<MessageButtons>("buttons");
    QTest::addColumn<Action>("action");
    QTest::addColumn<MessageAnswer>("expected");
    QTest::newRow("OK of OK/Cancel")
        << MessageButtons::OkCancel << Action::ClickOk << MessageAnswer::Ok;
    QTest::newRow("Cancel") << MessageButtons::OkCancel << Action::ClickCancel
                            << MessageAnswer::Cancel;
    QTest::newRow("Escape on OK/Cancel")
        << MessageButtons::OkCancel << Action::PressEscape << MessageAnswer::Cancel;
    QTest::newRow("closed OK/Cancel")
        << MessageButtons::OkCancel << Action::CloseWindow << MessageAnswer::Cancel;
    QTest::newRow("Yes") << MessageButtons::YesNo << Action::ClickYes << MessageAnswer::Yes;
    QTest::newRow("No") << MessageButtons::YesNo << Action::ClickNo << MessageAnswer::No;
    QTest::newRow("Escape on Yes/No")
        << MessageButtons::YesNo << Action::PressEscape << MessageAnswer::No;
    QTest::newRow("closed Yes/No")
        << MessageButtons::YesNo << Action::CloseWindow << MessageAnswer::No;
    QTest::newRow("OK alone") << MessageButtons::Ok << Action::ClickOk << MessageAnswer::Ok;
    QTest::newRow("closed OK alone")
        << MessageButtons::Ok << Action::CloseWindow << MessageAnswer::Ok;
  }

  void answerFollowsHowTheBoxWasClosed() {
    QFETCH(MessageButtons, buttons);
    QFETCH(Action, action);
    QFETCH(MessageAnswer, expected);
    std::unique_ptr<QMessageBox> box =
        makeMessageBox("Продолжить?", buttons, MessageIcon::Question, nullptr);
    box->open();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    switch (action) {
      case Action::ClickOk:
        box->button(QMessageBox::Ok)->click();
        break;
      case Action::ClickCancel:
        box->button(QMessageBox::Cancel)->click();
        break;
      case Action::ClickYes:
        box->button(QMessageBox::Yes)->click();
        break;
      case Action::ClickNo:
        box->button(QMessageBox::No)->click();
        break;
      case Action::PressEscape:
        QTest::keyClick(box.get(), Qt::Key_Escape);
        break;
      case Action::CloseWindow:
        box->close();
        break;
    }
    QVERIFY(!box->isVisible());
    QCOMPARE(answerOf(*box), expected);
  }
};

}  // namespace hm

QTEST_MAIN(hm::QtMessengerTest)
#include "qt_messenger_test.moc"
