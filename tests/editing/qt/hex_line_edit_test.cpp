#include "editing/qt/hex_line_edit.h"

#include "editing/qt/type_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>

namespace hm {

class HexLineEditTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window_ = new QWidget;
    field_ = new HexLineEdit(window_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    field_->setFocus();
  }
  void cleanup() { delete window_; }

  void typing_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("digits") << "0129"
                            << "0129";
    QTest::newRow("upper case") << "ABCDEF"
                                << "ABCDEF";
    QTest::newRow("lower case") << "3e8"
                                << "3E8";
    QTest::newRow("cyrillic lower") << u"фисвуа"_qs << "ABCDEF";
    QTest::newRow("cyrillic upper") << u"ФИСВУА"_qs << "ABCDEF";
    QTest::newRow("cyrillic es") << u"с"_qs << "C";
    QTest::newRow("not hex") << "g -xz"
                             << "";
    QTest::newRow("mixed") << "1g-2 "
                           << "12";
    QTest::newRow("six at most") << "1234567"
                                 << "123456";
  }
  void typing() {
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    test::typeText(field_, typed);
    QCOMPARE(field_->text(), shown);
  }

  void editingKeysStillEdit() {
    QTest::keyClicks(field_, "1234");
    QTest::keyClick(field_, Qt::Key_Backspace);
    QCOMPARE(field_->text(), QStringLiteral("123"));
    QTest::keyClick(field_, Qt::Key_Home);
    QTest::keyClick(field_, Qt::Key_Delete);
    QCOMPARE(field_->text(), QStringLiteral("23"));
    QTest::keyClick(field_, Qt::Key_Right);
    QTest::keyClicks(field_, "f");
    QCOMPARE(field_->text(), QStringLiteral("2F3"));
    QTest::keyClick(field_, Qt::Key_End);
    QTest::keyClick(field_, Qt::Key_Left);
    QTest::keyClick(field_, Qt::Key_Backspace);
    QCOMPARE(field_->text(), QStringLiteral("23"));
  }

  void enterIsReportedNotInserted() {
    QSignalSpy spy(field_, &HexLineEdit::enterPressed);
    QTest::keyClicks(field_, "12");
    QTest::keyClick(field_, Qt::Key_Return);
    QTest::keyClick(field_, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(field_->text(), QStringLiteral("12"));
  }

  void clipboardAndUndoKeysDoNothing() {
    QApplication::clipboard()->setText(QStringLiteral("ABCD"));
    QTest::keyClicks(field_, "12");
    QTest::keyClick(field_, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(field_->text(), QStringLiteral("12"));
    QTest::keyClick(field_, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(field_->text(), QStringLiteral("12"));
    QTest::keyClick(field_, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(!field_->hasSelectedText());
    field_->selectAll();
    QTest::keyClick(field_, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(field_->text(), QStringLiteral("12"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ABCD"));
  }

  void chordsTypeNothing() {
    QTest::keyClick(field_, Qt::Key_B, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(field_->text(), QString());
  }

  void clipboardKeysReachNoShortcut() {
    QAction paste(window_);
    paste.setShortcut(QKeySequence::Paste);
    window_->addAction(&paste);
    QSignalSpy spy(&paste, &QAction::triggered);
    QTest::keyClick(field_, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(field_->text(), QString());
  }

 private:
  QWidget* window_ = nullptr;
  HexLineEdit* field_ = nullptr;
};

}  // namespace hm

QTEST_MAIN(hm::HexLineEditTest)
#include "hex_line_edit_test.moc"
