#include "blocks/qt/block_list_view.h"
#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

namespace hm::test {

// The undo and redo keys and menus, the questions before an edited list is lost, and Ctrl+S.
class EditHistoryWindowTest : public QObject {
  Q_OBJECT

  // A window whose list holds the blocks of a pair with six separate changes.
  static void searchPair(WindowFixture& f) {
    std::vector<std::uint8_t> source(256, 0), target(256, 0);
    for (int at : {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}) target[at] = 1;
    test::writeFile(f.file("a.bin"), source);
    test::writeFile(f.file("b.bin"), target);
    f.session.setInFile(f.file("a.bin"));
    f.session.setOutFile(f.file("b.bin"));
    child<QScrollBar>(*f.window, "byteWith")->setValue(0);
    f.window->bSer_Click();
    QCOMPARE(f.session.blocks().count(), 6);
  }

  static void mergeFirstTwo(WindowFixture& f) {
    f.session.blocks().setSelected(0, 1, true);
    f.messenger.answers = {MessageAnswer::Ok};
    QTest::mouseClick(child<QPushButton>(*f.window, "bSplit"), Qt::LeftButton);
    QCOMPARE(f.session.blocks().count(), 5);
  }

  // Key presses reach the window's shortcuts only while it is the active window.
  static void showActive(WindowFixture& f) {
    f.window->show();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
  }

  static bool enabled(WindowFixture& f, const char* action) {
    return f.window->findChild<QAction*>(action)->isEnabled();
  }

 private slots:
  void theEditMenuStandsBetweenFileAndTools() {
    WindowFixture f;
    QStringList menus;
    for (QAction* a : f.window->menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, QStringList({"Файл", "Правка", "Инструменты", "Помощь"}));
    QCOMPARE(f.window->findChild<QAction*>("mnuUndo")->text(), QString("Отменить"));
    QCOMPARE(f.window->findChild<QAction*>("mnuRedo")->text(), QString("Повторить"));
    QCOMPARE(f.window->findChild<QAction*>("mnuRedo")->shortcuts(),
             QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    const QList<QAction*> listMenu = f.window->findChild<QMenu*>("lstMenu")->actions();
    QVERIFY(listMenu.contains(f.window->findChild<QAction*>("mnuUndo")));
    QVERIFY(listMenu.contains(f.window->findChild<QAction*>("mnuRedo")));
  }

  void keysUndoAndRedoWithTheMenusFollowing() {
    WindowFixture f;
    showActive(f);
    searchPair(f);
    QVERIFY(!enabled(f, "mnuUndo"));
    QVERIFY(!enabled(f, "mnuRedo"));
    mergeFirstTwo(f);
    QVERIFY(enabled(f, "mnuUndo"));
    BlockListView* list = listView(*f.window);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.session.blocks().count(), 6);
    QVERIFY(f.session.blocks().isSelected(0) && f.session.blocks().isSelected(1));
    QVERIFY(!enabled(f, "mnuUndo"));
    QVERIFY(enabled(f, "mnuRedo"));
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.session.blocks().count(), 5);
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.session.blocks().count(), 5);
    QCOMPARE(QString::fromStdString(f.session.status()),
             QString("Кол-во байтов: 21;    Блоков: 5"));
  }

  // Undoing a regrouping shows the distance it had without regrouping again.
  void aRegroupingIsUndoneWithItsDistance() {
    WindowFixture f;
    searchPair(f);
    QScrollBar* spin = child<QScrollBar>(*f.window, "byteWith");
    spin->setValue(16);
    QCOMPARE(f.session.blocks().count(), 1);
    f.window->findChild<QAction*>("mnuUndo")->trigger();
    QCOMPARE(f.session.blocks().count(), 6);
    QCOMPARE(spin->value(), 0);
    QCOMPARE(child<QLineEdit>(*f.window, "tbyteWith")->text(), QString("0"));
    QCOMPARE(f.session.history().position(), 0u);
    QVERIFY(enabled(f, "mnuRedo"));
  }

  void closingAnEditedListAsksFirst() {
    WindowFixture f;
    f.window->show();
    searchPair(f);
    mergeFirstTwo(f);
    f.messenger.shown.clear();
    f.messenger.answers = {MessageAnswer::No};
    QVERIFY(!f.window->close());
    QCOMPARE(f.messenger.lastText(),
             std::string("Список блоков изменён и не сохранён. Закрыть без сохранения?"));
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.session.blocks().count(), 5);
    f.messenger.answers = {MessageAnswer::Yes};
    QVERIFY(f.window->close());
  }

  // Undone back to the search's list, there is nothing to lose.
  void closingAnUndoneListAsksNothing() {
    WindowFixture f;
    f.window->show();
    searchPair(f);
    mergeFirstTwo(f);
    f.window->findChild<QAction*>("mnuUndo")->trigger();
    f.messenger.shown.clear();
    QVERIFY(f.window->close());
    QVERIFY(f.messenger.shown.empty());
  }

  void f4AsksBeforeReplacingAnEditedList() {
    WindowFixture f;
    searchPair(f);
    mergeFirstTwo(f);
    f.messenger.answers = {MessageAnswer::No};
    f.window->findChild<QAction*>("redDIF")->trigger();
    QVERIFY(f.dialogs.requests.empty());
    QCOMPARE(f.session.blocks().count(), 5);
    f.messenger.answers = {MessageAnswer::Yes};
    f.window->findChild<QAction*>("redDIF")->trigger();
    QCOMPARE(f.dialogs.requests.size(), std::size_t{1});
  }

  void ctrlSSavesTheEditedDifBackAskingWhenItChanged() {
    WindowFixture f;
    const std::string dif = f.file("edit.dif");
    test::writeFile(dif, DifBuilder(2).record(0x10, {1}).record(0x20, {2}).bytes());
    showActive(f);
    f.dialogs.paths = {dif};
    f.window->findChild<QAction*>("redDIF")->trigger();
    waitIdle(f.session);
    QCOMPARE(f.session.blocks().count(), 2);
    QVERIFY(enabled(f, "saveBack"));
    f.session.blocks().setSelected(0, true);
    f.messenger.answers = {MessageAnswer::Ok};
    QTest::mouseClick(child<QPushButton>(*f.window, "bDel"), Qt::LeftButton);
    QCOMPARE(f.session.blocks().count(), 1);

    QTest::keyClick(listView(*f.window), Qt::Key_S, Qt::ControlModifier);
    waitIdle(f.session);
    QCOMPARE(test::readFile(dif), DifBuilder(1).record(0x20, {2}).bytes());
    QVERIFY(!f.session.history().edited());

    // Another program's change is asked about; told no, its file stays.
    f.window->findChild<QAction*>("mnuUndo")->trigger();
    const std::vector<std::uint8_t> theirs = DifBuilder(1).record(0x30, {3, 3}).bytes();
    test::writeFile(dif, theirs);
    f.messenger.shown.clear();
    f.messenger.answers = {MessageAnswer::No};
    QTest::keyClick(listView(*f.window), Qt::Key_S, Qt::ControlModifier);
    waitIdle(f.session);
    QCOMPARE(f.messenger.lastText(),
             std::string("DIF файл изменён другой программой. Перезаписать?"));
    QCOMPARE(test::readFile(dif), theirs);
    f.messenger.answers = {MessageAnswer::Yes};
    QTest::keyClick(listView(*f.window), Qt::Key_S, Qt::ControlModifier);
    waitIdle(f.session);
    QCOMPARE(test::readFile(dif), DifBuilder(2).record(0x10, {1}).record(0x20, {2}).bytes());
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::EditHistoryWindowTest)
#include "edit_history_window_test.moc"
