#include "blocks/qt/block_list_view.h"
#include "search/regroup.h"
#include "support/window_fixture.h"

#include <atomic>
#include <functional>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

// The search and the regrouping run beside the window; these follow them from the window's side.
namespace hm::test {

namespace {

// Two bytes in every five of a MiB differ, one and two bytes apart: more blocks than are
// regrouped at once, and about half as many lines at distance 1.
constexpr std::size_t kPairSize = 1 << 20;

bool differs(std::size_t offset) {
  return offset % 5 == 0 || offset % 5 == 2;
}

constexpr int kBlocks = 2 * (kPairSize / 5) + 1;

void writePair(const TempDir& dir) {
  std::vector<std::uint8_t> bytes(kPairSize);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  writeFile(dir.file("s.bin"), bytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (differs(i)) bytes[i] ^= 0xFF;
  }
  writeFile(dir.file("t.bin"), bytes);
}

// Runs `task` on the window's thread and waits for it; called from the work's thread, it lands
// in the middle of the search as a click would.
void onWindowThread(QObject* window, const std::function<void()>& task) {
  QMetaObject::invokeMethod(window, task, Qt::BlockingQueuedConnection);
}

// The real files, with a hook that runs before each look at them.
class HookedFileSystem : public FileSystem {
 public:
  std::optional<FileInfo> stat(const std::string& path) override {
    if (onStat) onStat();
    return realFileSystem().stat(path);
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    ++reads;
    if (onRead) onRead();
    return realFileSystem().read(path, maxBytes);
  }
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    return realFileSystem().create(path);
  }
  bool makeFolders(const std::string& path) override { return realFileSystem().makeFolders(path); }

  std::function<void()> onStat;
  std::function<void()> onRead;
  std::atomic<int> reads = 0;
};

// Moves on 150 ms at every look, so every step of the scan reports its progress; or stands
// still, so that none does. A hook can run at one look.
class HookedClock : public Clock {
 public:
  explicit HookedClock(std::uint32_t step) : step_(step) {}
  Tick now() override {
    if (++looks_ == hookAt && hook) hook();
    return static_cast<Tick>(looks_ * step_);
  }
  int hookAt = 0;
  std::function<void()> hook;

 private:
  std::uint32_t step_;
  std::atomic<int> looks_ = 0;
};

struct SearchWindow {
  explicit SearchWindow(std::uint32_t clockStep)
      : clock(clockStep),
        window(WindowServices{session, messenger, dialogs, blockEditor, clock, settings, ""}) {
    writePair(dir);
    child<QLineEdit>(window, "inFile")->setText(QString::fromStdString(dir.file("s.bin")));
    child<QLineEdit>(window, "outFile")->setText(QString::fromStdString(dir.file("t.bin")));
    child<QScrollBar>(window, "byteWith")->setValue(0);
  }

  QString status() { return child<QLabel>(window, "lStat")->text(); }

  TempDir dir;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  ScriptedBlockEditor blockEditor;
  MemorySettings settings;
  HookedFileSystem fs;
  HookedClock clock;
  Session session{fs};
  MainWindow window;
};

enum class Stage { Starting, Reading, Scanning, Regrouping };

}  // namespace

}  // namespace hm::test

Q_DECLARE_METATYPE(hm::test::Stage)

namespace hm::test {

class SearchCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void cancelAtAnyStageLeavesTheCancelledState_data() {
    QTest::addColumn<Stage>("stage");
    QTest::newRow("starting") << Stage::Starting;
    QTest::newRow("reading") << Stage::Reading;
    QTest::newRow("scanning") << Stage::Scanning;
    QTest::newRow("regrouping") << Stage::Regrouping;
  }

  void cancelAtAnyStageLeavesTheCancelledState() {
    QFETCH(Stage, stage);
    // With a clock that stands still the scan reports nothing, so the regrouping is the first
    // to look at a cancel pressed while the files are read.
    SearchWindow s(stage == Stage::Regrouping ? 0 : 150);
    MainWindow& w = s.window;
    s.session.blocks().add("000001\t000001\t01\t00\t");
    auto cancel = [&w] { onWindowThread(&w, [&w] { w.bCancel_Click(); }); };
    switch (stage) {
      case Stage::Starting:
        s.fs.onStat = cancel;
        break;
      case Stage::Reading:
      case Stage::Regrouping:
        s.fs.onRead = cancel;
        break;
      case Stage::Scanning:
        s.clock.hookAt = 3;
        s.clock.hook = cancel;
        break;
    }
    w.bSer_Click();
    s.fs.onStat = s.fs.onRead = nullptr;
    QVERIFY(!s.session.busy());
    QCOMPARE(s.status(), QString("Поиск отменен."));
    QCOMPARE(s.session.blocks().count(), 0);
    QVERIFY(s.session.rawBlocks().empty());
    QVERIFY(child<QPushButton>(w, "bCancel")->isHidden());
    QVERIFY(child<QPushButton>(w, "bSer")->isEnabled());
    QVERIFY(s.messenger.shown.empty());

    // Nothing of the cancelled search stands in the way of the next one.
    w.bSer_Click();
    QCOMPARE(s.session.blocks().count(), kBlocks);
  }

  void noSecondSearchStartsDuringOne() {
    SearchWindow s(150);
    MainWindow& w = s.window;
    bool searchEnabled = true;
    s.fs.onRead = [&] {
      if (s.fs.reads > 1) return;
      onWindowThread(&w, [&] {
        searchEnabled = child<QPushButton>(w, "bSer")->isEnabled();
        w.bSer_Click();
      });
    };
    w.bSer_Click();
    QVERIFY(!searchEnabled);
    QCOMPARE(s.fs.reads.load(), 2);
    QCOMPARE(s.session.blocks().count(), kBlocks);
    QVERIFY(child<QPushButton>(w, "bSer")->isEnabled());
  }

  // The search's button goes off while it runs, and the keys went on to the distance box, where
  // the next arrow regrouped the list. They go to the list, on its first line.
  void keysAfterASearchMoveTheCaretNotTheDistance() {
    SearchWindow s(150);
    MainWindow& w = s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    child<QPushButton>(w, "bSer")->setFocus();
    w.bSer_Click();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(listView(w)));
    QCOMPARE(s.session.blocks().caret(), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(s.session.blocks().caret(), 1);
    QCOMPARE(child<QScrollBar>(w, "byteWith")->value(), 0);
    QCOMPARE(s.session.blocks().count(), kBlocks);
  }

  void closingDuringASearchEndsItAndThenTheWindow() {
    SearchWindow s(150);
    MainWindow& w = s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    bool stillOpen = false;
    s.fs.onRead = [&] {
      if (s.fs.reads > 1) return;
      onWindowThread(&w, [&] {
        w.close();
        stillOpen = w.isVisible();
      });
    };
    w.bSer_Click();
    QVERIFY(stillOpen);
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(!s.session.busy());
    QVERIFY(s.session.rawBlocks().empty());
  }

  // A regrouping of many blocks runs beside the window; a newer distance replaces it, and the
  // list it leaves is the one regrouping at once gives.
  void longRegroupingEndsAsRegroupingAtOnce() {
    SearchWindow s(150);
    MainWindow& w = s.window;
    w.bSer_Click();
    QCOMPARE(s.session.blocks().count(), kBlocks);
    QScrollBar* spin = child<QScrollBar>(w, "byteWith");
    spin->setValue(3);
    QVERIFY(s.session.busy());
    QCOMPARE(s.status(), QString("Группировка блоков..."));
    QVERIFY(!child<QPushButton>(w, "bDel")->isEnabled());
    spin->setValue(0);
    spin->setValue(1);
    waitIdle(s.session);

    BlockList atOnce;
    regroup(s.session.rawBlocks(), 1, atOnce);
    const Totals totals = recalculate(atOnce, false, s.session.targetLength());
    QCOMPARE(s.session.blocks().count(), kBlocks / 2 + 1);
    QCOMPARE(s.session.blocks().count(), atOnce.count());
    for (int i = 0; i < atOnce.count(); i += 997)
      QCOMPARE(s.session.blocks().text(i), atOnce.text(i));
    QCOMPARE(s.session.blocks().text(atOnce.count() - 1), atOnce.text(atOnce.count() - 1));
    QCOMPARE(s.status(), QString::fromStdString(totalsText(totals)));
    QVERIFY(child<QPushButton>(w, "bDel")->isEnabled());
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::SearchCommandTest)
#include "search_command_test.moc"
