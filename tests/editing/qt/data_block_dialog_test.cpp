#include "editing/qt/data_block_dialog.h"

#include "editing/qt/type_text.h"
#include "support/scripted.h"

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

namespace {

constexpr int kDataFileLength = 1000;  // 3E8

// What the Add command hands over for a data file of 1000 bytes.
DataBlockExchange addingFromThousandBytes() {
  return newDataBlock(kDataFileLength);
}

}  // namespace

class DataBlockDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { messenger_ = test::ScriptedMessenger(); }

  void opensOnTheWholeDataFile() {
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    QCOMPARE(dialog.objectName(), QStringLiteral("Form3"));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8(kDataBlockTitle));
    QCOMPARE(labelText(dialog, "Label1"), QStringLiteral("Начало (офсет):"));
    QCOMPARE(labelText(dialog, "Label2"), QStringLiteral("Длина:"));
    QCOMPARE(labelText(dialog, "Label3"), QStringLiteral("Адрес назначения:"));
    QCOMPARE(field(dialog, "Text1")->text(), QString());
    QCOMPARE(field(dialog, "Text2")->text(), QStringLiteral("03E8"));
    QCOMPARE(field(dialog, "Text3")->text(), QString());
    QCOMPARE(labelText(dialog, "lfr"), QStringLiteral("000000-0003E8"));
    QCOMPARE(labelText(dialog, "lto"), QStringLiteral("000000-0003E8"));
    QCOMPARE(labelText(dialog, "Label4"), QStringLiteral("000000-FFFFFF"));
    for (const char* name : {"Text1", "Text2", "Text3"})
      QCOMPARE(field(dialog, name)->maxLength(), 6);
  }

  void editingShowsTheBlock() {
    DataBlockExchange ex{0x200, 0x80, 0x100, 0x800};
    DataBlockDialog dialog(nullptr, ex, messenger_, QString::fromUtf8(kEditDataBlockTitle));
    QCOMPARE(dialog.windowTitle(), QString::fromUtf8(kEditDataBlockTitle));
    QCOMPARE(field(dialog, "Text1")->text(), QStringLiteral("0200"));
    QCOMPARE(field(dialog, "Text2")->text(), QStringLiteral("80"));
    QCOMPARE(field(dialog, "Text3")->text(), QStringLiteral("0100"));
    QCOMPARE(labelText(dialog, "lfr"), QStringLiteral("000000-000800"));
  }

  void okKeepsTheBlockInTheFile_data() {
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("ends at the last byte") << "3E0"
                                           << "8"
                                           << "1000" << true;
    QTest::newRow("one byte past the end") << "3E0"
                                           << "9"
                                           << "1000" << false;
    QTest::newRow("zero length") << "3E0"
                                 << "0"
                                 << "1000" << false;
    QTest::newRow("past FFFFFF") << "3E0"
                                 << "8"
                                 << "FFFFF9" << false;
  }
  void okKeepsTheBlockInTheFile() {
    QFETCH(QString, offset);
    QFETCH(QString, length);
    QFETCH(QString, destination);
    QFETCH(bool, accepted);
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    dialog.open();
    retype(dialog, "Text1", offset);
    retype(dialog, "Text2", length);
    retype(dialog, "Text3", destination);
    click(dialog, "Command1");
    QCOMPARE(ex.accepted, accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
    if (accepted) {
      QCOMPARE(ex.destination, 0x1000);
      QCOMPARE(ex.lastAddress(), 0x1007);
      QCOMPARE(ex.length, 8);
      QCOMPARE(ex.offset, 0x3E0);
      QVERIFY(messenger_.shown.empty());
    } else {
      QCOMPARE(ex.length, kDataFileLength);
      QCOMPARE(ex.dataFileLength, kDataFileLength);
      QCOMPARE(messenger_.shown.size(), size_t{1});
      QCOMPARE(messenger_.shown[0].text, std::string(kBadAddressesText));
      QVERIFY(messenger_.shown[0].buttons == MessageButtons::Ok);
      QVERIFY(messenger_.shown[0].icon == MessageIcon::None);
      QCOMPARE(field(dialog, "Text2")->text(), length);
      dialog.reject();
    }
  }

  void runsModallyUntilOk() {
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    QTimer::singleShot(0, &dialog, [&dialog] {
      retype(dialog, "Text3", u"ф0"_qs);
      click(dialog, "Command1");
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(ex.destination, 0xA0);
    QCOMPARE(ex.lastAddress(), 0xA0 + kDataFileLength - 1);
    QCOMPARE(ex.length, kDataFileLength);
    QCOMPARE(ex.offset, 0);
  }

  void cancelLeavesTheFlag() {
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    QTimer::singleShot(0, &dialog, [&dialog] { click(dialog, "Command2"); });
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(!ex.accepted);
    QCOMPARE(ex.length, kDataFileLength);
  }

  void enterCyclesThroughTheFields() {
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.focusWidget(), field(dialog, "Text1"));
    for (const char* next : {"Text2", "Text3", "Text1"}) {
      QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
      QCOMPARE(dialog.focusWidget(), field(dialog, next));
    }
    QVERIFY(dialog.isVisible());
    dialog.reject();
  }

  // The columns stand side by side without touching, OK and Cancel under the last two, and Tab
  // goes through the fields in their order before it reaches the buttons.
  void columnsButtonsAndTabOrder() {
    DataBlockExchange ex = addingFromThousandBytes();
    DataBlockDialog dialog(nullptr, ex, messenger_);
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* text1 = field(dialog, "Text1");
    QLineEdit* text2 = field(dialog, "Text2");
    QLineEdit* text3 = field(dialog, "Text3");
    auto* ok = dialog.findChild<QPushButton*>("Command1");
    auto* cancel = dialog.findChild<QPushButton*>("Command2");
    QVERIFY(text1->geometry().right() < text2->x());
    QVERIFY(text2->geometry().right() < text3->x());
    QVERIFY(text3->geometry().right() < dialog.width());
    QCOMPARE(ok->x(), text2->x());
    QCOMPARE(cancel->x(), text3->x());
    QCOMPARE(dialog.findChild<QLabel*>("Label4")->x(), text3->x());
    QCOMPARE(dialog.focusWidget(), text1);
    for (QWidget* next : std::initializer_list<QWidget*>{text2, text3, ok, cancel, text1}) {
      QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
      QCOMPARE(dialog.focusWidget(), next);
    }
    dialog.reject();
  }

 private:
  test::ScriptedMessenger messenger_;
};

}  // namespace hm

QTEST_MAIN(hm::DataBlockDialogTest)
#include "data_block_dialog_test.moc"
