#include "editing/qt/address_dialog.h"

#include "editing/qt/type_text.h"
#include "support/scripted.h"

#include <cstdlib>

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace hm {

using test::click;
using test::field;
using test::labelText;
using test::retype;

class AddressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void designedControls() {
    AddressExchange ex{0x100, 0x1FF, 0, 0x2FF};
    AddressDialog dialog(nullptr, ex, false, messenger_);
    QCOMPARE(dialog.objectName(), QStringLiteral("Form2"));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8(kAddressDialogTitle));
    QVERIFY(dialog.isModal());
    QCOMPARE(labelText(dialog, "Label1"), QStringLiteral("Адрес начала:"));
    QCOMPARE(labelText(dialog, "Label2"), QStringLiteral("Адрес конца:"));
    QCOMPARE(dialog.findChild<QPushButton*>("Command1")->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.findChild<QPushButton*>("Command2")->text(), QStringLiteral("Отмена"));
    QCOMPARE(field(dialog, "Text1")->maxLength(), 6);
    QCOMPARE(field(dialog, "Text2")->maxLength(), 6);
    QVERIFY(dialog.findChild<QLabel*>("lfr")->font().pointSize() <
            dialog.findChild<QLabel*>("Label1")->font().pointSize());
  }

  // A title cut to "Добавл... блока" hides what the dialog is for; a fixed size has nothing to
  // maximize.
  void wholeTitleAndNoMaximizeButton() {
    for (const char* title : {kAddressDialogTitle, kAddBlockTitle}) {
      AddressExchange ex{0x100, 0x1FF, 0, 0x2FF};
      AddressDialog dialog(nullptr, ex, false, messenger_, QString::fromUtf8(title));
      QFont bold = dialog.font();
      bold.setBold(true);
      QVERIFY(dialog.width() >= QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 100);
      QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
      QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
      // The controls stay in the middle of the wider dialog.
      auto* ok = dialog.findChild<QPushButton*>("Command1");
      auto* cancel = dialog.findChild<QPushButton*>("Command2");
      QVERIFY(std::abs(ok->x() - (dialog.width() - cancel->geometry().right())) <= 2);
    }
  }

  void loadsFieldsAndRanges_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<bool>("difEdit");
    QTest::addColumn<QString>("text1");
    QTest::addColumn<QString>("text2");
    QTest::addColumn<QString>("lfr");
    QTest::addColumn<QString>("lto");
    QTest::newRow("first line") << 0x100 << 0x1FF << 0 << 0x22F << false << "0100"
                                << "01FF"
                                << "000000-000100"
                                << "0001FF-00022F";
    QTest::newRow("last line") << 0x230 << 0x23F << 0x200 << 0xFFF << false << "0230"
                               << "023F"
                               << "000200-000230"
                               << "00023F-000FFF";
    QTest::newRow("block at zero") << 0 << 0x1F << 0 << 0xFF << false << ""
                                   << "1F"
                                   << "000000-000000"
                                   << "00001F-0000FF";
    QTest::newRow("new block") << 0 << 0 << 0 << 0xFFF << false << ""
                               << ""
                               << "000000-000FFF"
                               << "000000-000FFF";
    QTest::newRow("dif editing") << 0x100 << 0x1FF << 0x20 << 0x2FF << true << "0100"
                                 << "01FF"
                                 << "000100-0001FF"
                                 << "000100-0001FF";
  }
  void loadsFieldsAndRanges() {
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(bool, difEdit);
    AddressExchange ex{start, end, low, high};
    AddressDialog dialog(nullptr, ex, difEdit, messenger_);
    QTEST(field(dialog, "Text1")->text(), "text1");
    QTEST(field(dialog, "Text2")->text(), "text2");
    QTEST(labelText(dialog, "lfr"), "lfr");
    QTEST(labelText(dialog, "lto"), "lto");
  }

  void okChecksTheRange_data() {
    QTest::addColumn<bool>("difEdit");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("newStart");
    QTest::addColumn<int>("newEnd");
    QTest::newRow("moved end") << false << "100"
                               << "20f" << true << 0x100 << 0x20F;
    QTest::newRow("empty start is zero") << false << ""
                                         << "1FF" << true << 0 << 0x1FF;
    QTest::newRow("typed in russian layout")
        << false << u"Ф0"_qs << u"фф"_qs << true << 0xA0 << 0xAA;
    QTest::newRow("start after end") << false << "200"
                                     << "1FF" << false << 0 << 0;
    QTest::newRow("dif inside") << true << "110"
                                << "1F0" << true << 0x110 << 0x1F0;
    QTest::newRow("dif beyond") << true << "110"
                                << "200" << false << 0 << 0;
  }
  void okChecksTheRange() {
    QFETCH(bool, difEdit);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(bool, accepted);
    AddressExchange ex{0x100, 0x1FF, 0x20, 0x2FF};
    AddressDialog dialog(nullptr, ex, difEdit, messenger_);
    dialog.open();
    retype(dialog, "Text1", start);
    retype(dialog, "Text2", end);
    click(dialog, "Command1");
    QCOMPARE(ex.accepted, accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
    if (accepted) {
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
      QTEST(ex.blockStart, "newStart");
      QTEST(ex.blockEnd, "newEnd");
      QVERIFY(messenger_.shown.empty());
    } else {
      QCOMPARE(ex.blockStart, 0x100);
      QCOMPARE(ex.blockEnd, 0x1FF);
      QCOMPARE(messenger_.shown.size(), size_t{1});
      QCOMPARE(messenger_.shown[0].text, std::string(kBadAddressesText));
      QVERIFY(messenger_.shown[0].buttons == MessageButtons::Ok);
      QVERIFY(messenger_.shown[0].icon == MessageIcon::None);
      QCOMPARE(field(dialog, "Text1")->text(), start.toUpper());
      QCOMPARE(field(dialog, "Text2")->text(), end.toUpper());
      dialog.reject();
    }
  }

  void refusedThenCorrected() {
    AddressExchange ex{0x100, 0x1FF, 0, 0x2FF};
    AddressDialog dialog(nullptr, ex, false, messenger_);
    QTimer::singleShot(0, &dialog, [&dialog] {
      retype(dialog, "Text1", "300");
      click(dialog, "Command1");
      retype(dialog, "Text1", "180");
      click(dialog, "Command1");
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(messenger_.shown.size(), size_t{1});
    QCOMPARE(ex.blockStart, 0x180);
    QVERIFY(ex.accepted);
  }

  void cancelAndCloseBoxLeaveTheFlag_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("cancel") << false;
    QTest::newRow("close box") << true;
  }
  void cancelAndCloseBoxLeaveTheFlag() {
    QFETCH(bool, closeBox);
    AddressExchange ex{0x100, 0x1FF, 0, 0x2FF};
    AddressDialog dialog(nullptr, ex, false, messenger_);
    QTimer::singleShot(0, &dialog, [&dialog, closeBox] {
      retype(dialog, "Text1", "110");
      if (closeBox) {
        dialog.close();
      } else {
        click(dialog, "Command2");
      }
    });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!ex.accepted);
    QCOMPARE(ex.blockStart, 0x100);
  }

  void enterMovesBetweenTheFields() {
    AddressExchange ex{0x100, 0x1FF, 0, 0x2FF};
    AddressDialog dialog(nullptr, ex, false, messenger_);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* text1 = field(dialog, "Text1");
    QLineEdit* text2 = field(dialog, "Text2");
    QCOMPARE(dialog.focusWidget(), text1);
    QTest::keyClick(text1, Qt::Key_Return);
    QCOMPARE(dialog.focusWidget(), text2);
    QTest::keyClick(text2, Qt::Key_Return);
    QCOMPARE(dialog.focusWidget(), text1);
    QCOMPARE(text1->text(), QStringLiteral("0100"));
    QCOMPARE(text2->text(), QStringLiteral("01FF"));
    QVERIFY(dialog.isVisible());
    QVERIFY(!ex.accepted);
    dialog.reject();
  }

  void init() { messenger_ = test::ScriptedMessenger(); }

 private:
  test::ScriptedMessenger messenger_;
};

}  // namespace hm

QTEST_MAIN(hm::AddressDialogTest)
#include "address_dialog_test.moc"
