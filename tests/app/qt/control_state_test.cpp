#include "blocks/qt/block_list_view.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

namespace hm::test {

namespace {

struct Layout {
  bool bSer, bAdd, bSplit, bDel;
  const char* command1;
  bool normalControlsVisible;  // Check1, Command2, outFile
  bool distanceEnabled;        // byteWith, tbyteWith
};

Layout layoutOf(MainWindow& w) {
  return {child<QPushButton>(w, "bSer")->isEnabled(),
          child<QPushButton>(w, "bAdd")->isEnabled(),
          child<QPushButton>(w, "bSplit")->isEnabled(),
          child<QPushButton>(w, "bDel")->isEnabled(),
          nullptr,
          !child<QCheckBox>(w, "Check1")->isHidden() &&
              !child<QPushButton>(w, "Command2")->isHidden() &&
              !child<QLineEdit>(w, "outFile")->isHidden(),
          child<QScrollBar>(w, "byteWith")->isEnabled() &&
              child<QLineEdit>(w, "tbyteWith")->isEnabled()};
}

void expectLayout(MainWindow& w, const Layout& expected) {
  Layout actual = layoutOf(w);
  QCOMPARE(actual.bSer, expected.bSer);
  QCOMPARE(actual.bAdd, expected.bAdd);
  QCOMPARE(actual.bSplit, expected.bSplit);
  QCOMPARE(actual.bDel, expected.bDel);
  QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString(expected.command1));
  QCOMPARE(actual.normalControlsVisible, expected.normalControlsVisible);
  QCOMPARE(actual.distanceEnabled, expected.distanceEnabled);
}

// A tiny DIF with one record of `n` bytes at `address`.
std::vector<std::uint8_t> smallDif(std::int32_t address, int n) {
  std::string head = "SPFDSGHA <=HEXMARSHAL=> ";
  std::vector<std::uint8_t> d(head.begin(), head.end());
  auto put = [&d](std::int32_t v) {
    for (int i = 0; i < 4; ++i)
      d.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
  };
  put(0);
  put(1);
  std::string marker = "FBLKNORD";
  d.insert(d.end(), marker.begin(), marker.end());
  put(n + 4);
  put(address);
  for (int i = 0; i < n; ++i) d.push_back(static_cast<std::uint8_t>(i));
  return d;
}

}  // namespace

class ControlStateTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutsFollowPathsListAndMode() {
    WindowFixture f;
    MainWindow& w = *f.window;
    test::writeFile(f.file("a.bin"), std::vector<std::uint8_t>{1, 2, 3});
    test::writeFile(f.file("b.bin"), std::vector<std::uint8_t>{1, 9, 3});
    auto* in = child<QLineEdit>(w, "inFile");
    auto* out = child<QLineEdit>(w, "outFile");

    // Normal, a path missing or both equal, empty list.
    expectLayout(w, {false, false, false, false, "Исходный BIN", true, true});
    in->setText(QString::fromStdString(f.file("a.bin")));
    expectLayout(w, {false, false, false, false, "Исходный BIN", true, true});
    out->setText(in->text());
    expectLayout(w, {false, false, false, false, "Исходный BIN", true, true});
    // The same file in another letter case counts as a different path.
    out->setText(in->text().toUpper());
    expectLayout(w, {true, true, false, false, "Исходный BIN", true, true});
    // Normal, two different paths, empty list.
    out->setText(QString::fromStdString(f.file("b.bin")));
    expectLayout(w, {true, true, false, false, "Исходный BIN", true, true});
    // Normal, blocks listed.
    w.bSer_Click();
    expectLayout(w, {true, true, true, true, "Исходный BIN", true, true});

    // DIF editing, blocks listed: bAdd keeps its state.
    test::writeFile(f.file("p.dif"), smallDif(0x10, 4));
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    QVERIFY(f.session.editingDif());
    // Opening empties inFile in normal mode first, so bAdd waits for a data file; outFile is
    // only hidden and still counts for bSer.
    expectLayout(w, {false, false, false, true, "Файл данных", false, false});
    in->setText(QString::fromStdString(f.file("a.bin")));
    expectLayout(w, {false, true, false, true, "Файл данных", false, false});
    QCOMPARE(f.session.blocks().count(), 1);

    // DIF editing, empty list. The search stays off whatever the boxes hold: it would replace
    // the edited DIF with a comparison of other files.
    f.session.blocks().setSelected(0, true);
    f.messenger.answers = {MessageAnswer::Ok};
    w.bDel_Click();
    expectLayout(w, {false, true, false, false, "Файл данных", false, false});
    f.session.blocks().add("000020\t000021\t");
    w.bSer_Click();
    QCOMPARE(f.session.blocks().count(), 1);
    QVERIFY(f.session.editingDif());

    // Leaving the mode through the menu shows the normal layout at the next Activity.
    test::writeFile(f.file("c.bin"), std::vector<std::uint8_t>{1});
    f.dialogs.paths = {f.file("c.bin")};
    w.files().opOrig_Click();
    QVERIFY(!f.session.editingDif());
    expectLayout(w, {true, true, false, false, "Исходный BIN", true, true});
    QCOMPARE(header(w)->count(), 6);
  }

  void tabWalksTheWindowInReadingOrder() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QApplication::setActiveWindow(&w);
    // Every command enabled, so that none is skipped.
    child<QLineEdit>(w, "inFile")->setText("a.bin");
    child<QLineEdit>(w, "outFile")->setText("b.bin");
    f.session.blocks().add("000010\t000012\t3\t0");
    w.reCalc();
    QStringList visited;
    child<QLineEdit>(w, "inFile")->setFocus();
    for (int i = 0; i < 13 && QApplication::focusWidget(); ++i) {
      QWidget* focused = QApplication::focusWidget();
      // The presets' editor stands for the presets box.
      while (focused->objectName().isEmpty() && focused->parentWidget())
        focused = focused->parentWidget();
      visited << focused->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, QStringList({"inFile", "Command1", "outFile", "Command2", "bSer", "tbyteWith",
                                   "cBW", "Lst1", "bSplit", "bAdd", "bDel", "Check1", "bDIF"}));
  }

  // Nothing but the idle animation moves the controls, so the window keeps its designed size.
  void theWindowKeepsItsSizeInBothModes() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QSize designed = w.size();
    QCOMPARE(w.minimumSize(), designed);
    QCOMPARE(w.maximumSize(), designed);
    w.resize(designed + QSize(200, 200));
    QCOMPARE(w.size(), designed);

    test::writeFile(f.file("p.dif"), smallDif(0x10, 4));
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    QVERIFY(f.session.editingDif());
    QCOMPARE(w.maximumSize(), designed);
  }

  void cancelledSourceDialogStillRestartsTheIdleClock() {
    WindowFixture f;
    f.clock.set(50000);
    f.window->files().Command2_Click();
    QCOMPARE(idleAnimation(*f.window)->lastTick(), Tick(1000));
    f.window->files().Command1_Click();
    QCOMPARE(idleAnimation(*f.window)->lastTick(), Tick(50000));
  }

  void idleControlsFallOneAfterAnother() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QTimer* timer = child<QTimer>(w, "Timer1");
    QCOMPARE(timer->interval(), 100);
    auto* bSplit = child<QPushButton>(w, "bSplit");
    auto* bAdd = child<QPushButton>(w, "bAdd");
    const int top = bSplit->y();

    f.clock.set(1000 + 300000 - 1);
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(timer->interval(), 2000);
    QCOMPARE(bSplit->y(), top);

    f.clock.set(1000 + 300000);
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(timer->interval(), 5);
    QCOMPARE(bSplit->y(), top + 2);
    QCOMPARE(bAdd->y(), bAdd->geometry().y());

    // The first control falls until its top passes the window's outer height, then the next.
    const int outer = w.frameGeometry().height();
    for (int i = 0; i < 2000 && bSplit->y() < outer; ++i) idleAnimation(w)->Timer1_Timer();
    QVERIFY(bSplit->y() >= outer);
    const int addTop = bAdd->y();
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(bAdd->y(), addTop + 2);

    // A click in the list stops the fall; the fallen controls stay down.
    idleAnimation(w)->Lst1_Click();
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(bAdd->y(), addTop + 2);
    QCOMPARE(timer->interval(), 2000);
    QVERIFY(bSplit->y() >= outer);

    // A click on the free area brings everything back at once.
    idleAnimation(w)->Form_Click();
    QCOMPARE(bSplit->y(), top);
    QCOMPARE(bAdd->y(), addTop);
  }

  void hiddenControlsNeverFall() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    auto* bCancel = child<QPushButton>(w, "bCancel");
    const int cancelTop = bCancel->y();
    f.clock.set(1000 + 300000);
    const int outer = w.frameGeometry().height();
    for (int i = 0; i < 20000; ++i) idleAnimation(w)->Timer1_Timer();
    QCOMPARE(bCancel->y(), cancelTop);
    for (QWidget* c : idleAnimation(w)->controls()) {
      if (c && !c->isHidden()) QVERIFY2(c->y() >= outer, qPrintable(c->objectName()));
    }
    idleAnimation(w)->Form_Click();
    for (std::size_t i = 0; i < idleAnimation(w)->controls().size(); ++i) {
      if (QWidget* c = idleAnimation(w)->controls()[i])
        QCOMPARE(c->y() * 15, int(idleAnimation(w)->savedTops()[i]));
    }
  }

  void theIdleClockWrapsAround() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    auto* bSplit = child<QPushButton>(w, "bSplit");
    const int top = bSplit->y();
    f.clock.set(0xFFFFFF00u);
    idleAnimation(w)->Form_Click();
    f.clock.set(0x00001000u);  // wrapped: only a few seconds have passed
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(bSplit->y(), top);
    f.clock.set(0xFFFFFF00u + 300000u);
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(bSplit->y(), top + 2);
  }

  void freeAreaClickBeforeAnyFallOnlyRestartsTheClock() {
    WindowFixture f;
    MainWindow& w = *f.window;
    std::vector<int> tops;
    for (QWidget* c : idleAnimation(w)->controls()) tops.push_back(c ? c->y() : 0);
    f.clock.set(77777);
    QTest::mouseClick(w.centralWidget(), Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(idleAnimation(w)->lastTick(), Tick(77777));
    for (std::size_t i = 0; i < tops.size(); ++i) {
      if (QWidget* c = idleAnimation(w)->controls()[i]) QCOMPARE(c->y(), tops[i]);
    }
  }

  void theListInsideTheFrameFallsWithinIt() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    auto* list = listView(w);
    auto* frame = child<QFrame>(w, "Frame1");
    const int frameTop = frame->y();
    const int listTop = list->y();
    const int headerTop = header(w)->y();
    f.clock.set(1000 + 300000);
    const int outer = w.frameGeometry().height();
    while (frame->y() < outer) idleAnimation(w)->Timer1_Timer();
    // The header is no control: it went down with the frame and kept its place in it.
    QCOMPARE(header(w)->y(), headerTop);
    QCOMPARE(list->y(), listTop);
    idleAnimation(w)->Timer1_Timer();
    QCOMPARE(list->y(), listTop + 2);
    idleAnimation(w)->Form_Click();
    QCOMPARE(frame->y(), frameTop);
    QCOMPARE(list->y(), listTop);
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::ControlStateTest)
#include "control_state_test.moc"
