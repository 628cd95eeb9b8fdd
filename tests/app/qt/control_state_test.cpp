#include "app/control_state.h"

#include "blocks/qt/block_list_view.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

namespace hm::test {

namespace {

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

// Every widget shows what the session allows of it, and the status line its text.
void expectShown(WindowFixture& f, const char* state) {
  MainWindow& w = *f.window;
  const ControlState s = controlState(f.session);
  const std::pair<const char*, bool> enabled[] = {
      {"bSer", s.search},          {"bSplit", s.merge},         {"bAdd", s.add},
      {"bDel", s.remove},          {"bDIF", s.createDif},       {"Command1", s.chooseFiles},
      {"Command2", s.chooseFiles}, {"inFile", s.chooseFiles},   {"outFile", s.chooseFiles},
      {"byteWith", s.normalMode},  {"tbyteWith", s.normalMode}, {"cBW", s.normalMode}};
  for (auto [name, on] : enabled) {
    QVERIFY2(child<QWidget>(w, name)->isEnabled() == on,
             qPrintable(QString("%1: %2").arg(state, name)));
  }
  const std::pair<const char*, bool> actions[] = {
      {"opOrig", s.chooseFiles}, {"opTarg", s.chooseFiles}, {"redDIF", s.chooseFiles},
      {"AppDif", s.chooseFiles}, {"asso", s.chooseFiles},   {"lmSplit", s.merge},
      {"lmDel", s.remove},       {"lmEdit", s.editLine}};
  for (auto [name, on] : actions) {
    QVERIFY2(w.findChild<QAction*>(name)->isEnabled() == on,
             qPrintable(QString("%1: %2").arg(state, name)));
  }
  const std::pair<const char*, bool> shown[] = {{"bCancel", s.cancelShown},
                                                {"Check1", s.normalMode},
                                                {"Command2", s.normalMode},
                                                {"outFile", s.normalMode}};
  for (auto [name, on] : shown) {
    QVERIFY2(child<QWidget>(w, name)->isHidden() == !on,
             qPrintable(QString("%1: %2").arg(state, name)));
  }
  QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString(s.firstButtonCaption));
  QCOMPARE(listView(w)->frozen(), !s.listTakesClicks);
  QCOMPARE(child<QLabel>(w, "lStat")->text(), QString::fromStdString(f.session.status()));
}

}  // namespace

class ControlStateTest : public QObject {
  Q_OBJECT

 private slots:
  // Whatever brings a state about, the window shows it as soon as the session tells.
  void theControlsShowTheSessionsState() {
    WindowFixture f;
    Session& s = f.session;
    expectShown(f, "start");
    s.setInFile("a.bin");
    s.setOutFile("b.bin");
    expectShown(f, "two paths");
    s.blocks().add("000010\t000012\t03\t00\t");
    s.blocks().setCaret(0);
    s.listChanged();
    expectShown(f, "a caret line");
    s.setSearching(true);
    s.setBusy(true);
    expectShown(f, "searching");
    s.setSearching(true, true);
    expectShown(f, "cancel asked");
    s.setSearching(false);
    s.setBusy(false);
    s.setEditingDif(true);
    expectShown(f, "editing");
    s.setInFile("data.bin");
    s.say("a status");
    expectShown(f, "editing with a data file");
    s.setBusy(true);
    expectShown(f, "busy while editing");
    s.setBusy(false);
    s.setEditingDif(false);
    expectShown(f, "normal again");
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
    waitIdle(f.session);
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
