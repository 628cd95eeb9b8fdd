#include "blocks/qt/block_list_view.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

namespace hm::test {

// A clock that moves on by a fixed step every time it is read, so progress reports come due.
class SteppingClock : public Clock {
 public:
  explicit SteppingClock(std::uint32_t step) : step_(step) {}
  Tick now() override { return now_ += step_; }

 private:
  Tick now_ = 0;
  std::uint32_t step_;
};

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTheStartDistanceAndColumns() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QCOMPARE(w.windowTitle(), QString("Hexmarshal v1.02"));
    QCOMPARE(f.lastFolder(), std::string());
    QCOMPARE(child<QLineEdit>(w, "tbyteWith")->text(), QString("8"));
    QCOMPARE(child<QScrollBar>(w, "byteWith")->value(), 8);
    QCOMPARE(f.session.blocks().count(), 0);
    QCOMPARE(header(w)->count(), 4);
    QCOMPARE(header(w)->model()->headerData(3, Qt::Horizontal).toString(), QString("Дистанция"));
    // The distance in use has regrouped the empty list.
    QCOMPARE(child<QLabel>(w, "lStat")->text(), QString("Кол-во байтов: 0;    Блоков: 0"));
  }

  void controlsAreCreatedInTheirOrder() {
    WindowFixture f;
    QStringList names;
    for (QWidget* c : idleAnimation(*f.window)->controls())
      names << (c ? c->objectName() : QString("Timer1"));
    QCOMPARE(names, QStringList({"bSplit", "bAdd", "bDel", "Check1", "bDIF", "bCancel", "tbyteWith",
                                 "byteWith", "Frame1", "Timer1", "Lst1", "bSer", "Command2",
                                 "Command1", "outFile", "inFile", "cBW", "Label1", "lStat"}));
    QCOMPARE(listView(*f.window)->parentWidget()->objectName(), QString("Frame1"));
  }

  void menusCarryTheirShortcuts() {
    WindowFixture f;
    const std::pair<const char*, const char*> items[] = {
        {"opOrig", "F5"}, {"opTarg", "F6"}, {"redDIF", "F4"}, {"AppDif", "F3"}, {"About", "F1"}};
    for (auto [name, key] : items) {
      QAction* action = f.window->findChild<QAction*>(name);
      QVERIFY2(action, name);
      QCOMPARE(action->shortcut(), QKeySequence(key));
    }
    QVERIFY(f.window->findChild<QAction*>("asso"));
    QVERIFY(f.window->findChild<QAction*>("exxit"));
  }

  void searchOverTypedPathsListsTheRegroupedBlocks() {
    WindowFixture f;
    test::writeFile(f.file("a.bin"), std::vector<std::uint8_t>{0, 1, 2, 3, 4, 5});
    test::writeFile(f.file("b.bin"), std::vector<std::uint8_t>{0xFF, 1, 2, 3, 4, 0xFF});
    MainWindow& w = *f.window;
    QTest::keyClicks(child<QLineEdit>(w, "inFile"), QString::fromStdString(f.file("a.bin")));
    QTest::keyClicks(child<QLineEdit>(w, "outFile"), QString::fromStdString(f.file("b.bin")));
    QVERIFY(child<QPushButton>(w, "bSer")->isEnabled());

    child<QScrollBar>(w, "byteWith")->setValue(0);
    QTest::mouseClick(child<QPushButton>(w, "bSer"), Qt::LeftButton);
    QCOMPARE(f.session.blocks().count(), 2);

    // A larger distance joins the two blocks at once.
    child<QScrollBar>(w, "byteWith")->setValue(4);
    QCOMPARE(f.session.blocks().count(), 1);
  }

  // Each button, menu item and list gesture starts its own command: what the command asks tells
  // which it is.
  void everyControlStartsItsCommand_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QStringList>("asked");
    const QString tooFew = "Нужно выделить не менее 2 соседних блоков!";
    const QString noneSelected = "Нужно выделить блоки!";
    const QString addresses = "Изменение адресов блока";
    const QString source = "Выберите Исходный BIN Файл";
    const QString target = "Выберите Конечный BIN Файл";
    const QString dif = "Выберите DIF Файл";
    QTest::newRow("bSer") << "bSer" << QStringList{"Ошибка открытия файла!"};
    QTest::newRow("bSplit") << "bSplit" << QStringList{tooFew};
    QTest::newRow("lmSplit") << "lmSplit" << QStringList{tooFew};
    QTest::newRow("bDel") << "bDel" << QStringList{noneSelected};
    QTest::newRow("lmDel") << "lmDel" << QStringList{noneSelected};
    QTest::newRow("bAdd") << "bAdd" << QStringList{"Добавление нового блока"};
    QTest::newRow("lmEdit") << "lmEdit" << QStringList{addresses};
    QTest::newRow("double click") << "Lst1" << QStringList{addresses};
    QTest::newRow("bDIF") << "bDIF" << QStringList{"Выберите Новый DIF Файл"};
    QTest::newRow("Command1") << "Command1" << QStringList{source};
    QTest::newRow("opOrig") << "opOrig" << QStringList{source};
    QTest::newRow("Command2") << "Command2" << QStringList{target};
    QTest::newRow("opTarg") << "opTarg" << QStringList{target};
    // Given a DIF, opening it asks nothing more; applying it asks for the BIN.
    QTest::newRow("redDIF") << "redDIF" << QStringList{dif};
    QTest::newRow("AppDif") << "AppDif" << QStringList{dif, source};
  }

  void everyControlStartsItsCommand() {
    QFETCH(QString, control);
    QFETCH(QStringList, asked);
    WindowFixture f;
    MainWindow& w = *f.window;
    test::writeFile(f.file("p.dif"), std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
    f.session.setInFile(f.file("a.bin"));
    f.session.setOutFile(f.file("b.bin"));
    f.session.blocks().add("000010\t000012\t03\t00\t");
    f.session.blocks().setCaret(0);
    f.session.listChanged();
    if (control == "redDIF" || control == "AppDif") f.dialogs.paths = {f.file("p.dif")};

    if (auto* button = child<QPushButton>(w, control.toLatin1().constData())) {
      button->click();
    } else if (auto* action = w.findChild<QAction*>(control)) {
      action->trigger();
    } else {
      emit listView(w)->doubleClicked(0);
    }
    waitIdle(f.session);
    QStringList actual;
    for (const FileDialogRequest& request : f.dialogs.requests)
      actual << QString::fromStdString(request.title);
    for (const std::string& title : f.blockDialogs.titles) actual << QString::fromStdString(title);
    for (const ScriptedMessenger::Shown& shown : f.messenger.shown)
      actual << QString::fromStdString(shown.text);
    QCOMPARE(actual, asked);
  }

  void cancelStopsTheSearchAtTheNextReport() {
    TempDir dir;
    ScriptedMessenger messenger;
    ScriptedFileDialogs dialogs;
    ScriptedBlockEditor blockEditor;
    SteppingClock clock(150);
    MemorySettings settings;
    Session session(realFileSystem());
    MainWindow w({session, messenger, dialogs, blockEditor, clock, settings, ""});
    std::vector<std::uint8_t> a(1 << 20, 0), b(1 << 20, 0);
    for (std::size_t i = 0; i < b.size(); i += 2) b[i] = 1;
    test::writeFile(dir.file("a.bin"), a);
    test::writeFile(dir.file("b.bin"), b);
    child<QLineEdit>(w, "inFile")->setText(QString::fromStdString(dir.file("a.bin")));
    child<QLineEdit>(w, "outFile")->setText(QString::fromStdString(dir.file("b.bin")));

    QTimer::singleShot(0, &w, [&w] { w.bCancel_Click(); });
    w.bSer_Click();
    QCOMPARE(child<QLabel>(w, "lStat")->text(), QString("Поиск отменен."));
    QCOMPARE(session.blocks().count(), 0);
    QVERIFY(session.rawBlocks().empty());
    QVERIFY(child<QPushButton>(w, "bCancel")->isHidden());
  }

  void presetSetsTheDistanceEverywhere() {
    WindowFixture f;
    MainWindow& w = *f.window;
    auto* combo = child<QComboBox>(w, "cBW");
    int index = combo->findText("128");
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    QCOMPARE(child<QScrollBar>(w, "byteWith")->value(), 128);
    QCOMPARE(child<QLineEdit>(w, "tbyteWith")->text(), QString("128"));
    QCOMPARE(combo->currentText(), QString("128"));
  }

  void distanceTextOutsideTheRangeIsNotApplied() {
    WindowFixture f;
    MainWindow& w = *f.window;
    auto* text = child<QLineEdit>(w, "tbyteWith");
    for (const char* typed : {"129", "-1", "x", ""}) {
      text->setText(typed);
      QCOMPARE(child<QScrollBar>(w, "byteWith")->value(), 8);
    }
    text->setText("16");
    QCOMPARE(child<QScrollBar>(w, "byteWith")->value(), 16);
  }

  void aboutBoxBeginsWithTheCaption() {
    WindowFixture f;
    f.window->About_Click();
    QVERIFY(f.messenger.lastText().starts_with("Hexmarshal v1.02\n\n"));
    QCOMPARE(f.messenger.shown.back().icon, MessageIcon::None);
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::MainWindowTest)
#include "main_window_test.moc"
