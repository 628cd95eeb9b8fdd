// Drives the real window on a BIN pair and measures what a user waits for: how long the event
// loop stands still from pressing "Найти различия" until the list is shown, how soon "Отмена"
// takes effect, how long one-line edits take to reach the screen, how the window answers while
// the minimum distance changes, and the process's peak memory. Run by bench/window.sh.
//
//   window_bench SOURCE TARGET SCENARIO [DISTANCE]
//   SCENARIO: search, cancel:MS (cancel MS ms after pressing), edits, history (their undo and
//   redo), regroup-history, distance, viewer (the byte
//   viewer: opened on the first block, paged through, then following the caret; run it at a
//   distance that joins the whole pair into one block)
#include "app/block_editor.h"
#include "app/qt/byte_viewer.h"
#include "app/qt/hex_pane.h"
#include "app/qt/main_window.h"
#include "app/session.h"
#include "blocks/block_line.h"
#include "blocks/qt/block_list_view.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "support/memory_settings.h"
#include "support/scripted.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace hm {

namespace {

constexpr const char* kTotalsPrefix = "Кол-во байтов: ";
constexpr const char* kCancelledText = "Поиск отменен.";
constexpr int kTickMs = 5;
constexpr qint64 kGiveUpMs = 60'000;

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == field) {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return -1;
}

long peakKiB() {
  return statusKiB("VmHWM:");
}

long residentKiB() {
  return statusKiB("VmRSS:");
}

// Answers the address dialog with whatever the scenario sets up next.
class BenchBlockDialogs : public BlockEditor {
 public:
  void editAddresses(AddressExchange& exchange, bool, const std::string&) override {
    exchange.blockStart = start;
    exchange.blockEnd = end;
    exchange.accepted = true;
  }
  void editDataBlock(DataBlockExchange&, const std::string&) override {}
  std::int32_t start = 0;
  std::int32_t end = 0;
};

// Watches the window from its own event loop: a short timer notes every turn of the loop, an
// event filter every repaint of the list.
class Watch : public QObject {
 public:
  Watch(MainWindow& window, QWidget* viewport)
      : status_(window.findChild<QLabel*>("lStat")), viewport_(viewport) {
    clock_.start();
    viewport_->installEventFilter(this);
    ticker_.setInterval(kTickMs);
    connect(&ticker_, &QTimer::timeout, this, [this] { tick(); });
    ticker_.start();
  }

  qint64 now() const { return clock_.elapsed(); }
  QString status() const { return status_->text(); }
  qint64 lastPaint() const { return lastPaint_; }

  // Runs the event loop until `done` holds (checked at every turn), from `start` on, which is
  // posted to the loop. Returns the time `done` first held, or -1.
  qint64 runUntil(const std::function<void()>& start, const std::function<bool()>& done) {
    done_ = done;
    doneAt_ = -1;
    ticks_.clear();
    begin_ = now();
    ticks_.push_back(begin_);
    QEventLoop loop;
    loop_ = &loop;
    QTimer::singleShot(0, this, start);
    QTimer::singleShot(kGiveUpMs, &loop, &QEventLoop::quit);
    loop.exec();
    loop_ = nullptr;
    return doneAt_;
  }

  // The longest time between two turns of the loop from the start of the last run to `until`.
  qint64 longestStall(qint64 until) const {
    qint64 longest = 0;
    qint64 last = begin_;
    for (qint64 t : ticks_) {
      if (t > until) break;
      longest = std::max(longest, t - last);
      last = t;
    }
    return std::max(longest, until - last);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      lastPaint_ = now();
      check();
    }
    return false;
  }

 private:
  void tick() {
    ticks_.push_back(now());
    check();
  }
  void check() {
    if (!loop_ || doneAt_ >= 0 || !done_ || !done_()) return;
    doneAt_ = now();
    loop_->quit();
  }

  QLabel* status_;
  QWidget* viewport_;
  QElapsedTimer clock_;
  QTimer ticker_;
  std::vector<qint64> ticks_;
  std::function<bool()> done_;
  QEventLoop* loop_ = nullptr;
  qint64 begin_ = 0;
  qint64 doneAt_ = -1;
  qint64 lastPaint_ = -1;
};

// Notes when the byte viewer's target pane was last painted; the viewer is made when first
// opened, so the whole application is watched.
class PaneWatch : public QObject {
 public:
  explicit PaneWatch(const Watch& watch) : watch_(watch) { qApp->installEventFilter(this); }
  ~PaneWatch() override { qApp->removeEventFilter(this); }
  qint64 lastPaint() const { return lastPaint_; }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Paint && object->parent() &&
        object->parent()->objectName() == QLatin1String("hexPane2")) {
      lastPaint_ = watch_.now();
    }
    return false;
  }

 private:
  const Watch& watch_;
  qint64 lastPaint_ = -1;
};

struct Bench {
  Bench(const std::string& source, const std::string& target)
      : window(
            WindowServices{session, messenger, dialogs, blockDialogs, systemClock(), settings, ""}),
        watch(window, listView()->viewport()) {
    window.show();
    window.findChild<QLineEdit*>("inFile")->setText(QString::fromStdString(source));
    window.findChild<QLineEdit*>("outFile")->setText(QString::fromStdString(target));
  }

  QPushButton* button(const char* name) { return window.findChild<QPushButton*>(name); }
  BlockListView* listView() { return window.findChild<BlockListView*>("Lst1"); }
  ByteViewer* byteViewer() { return window.findChild<ByteViewer*>(); }
  QScrollBar* spin() { return window.findChild<QScrollBar*>("byteWith"); }

  // Runs `command` and waits until the status line shows new totals and the list has been
  // painted since. Prints the time to that paint and the longest stall on the way.
  qint64 timeToList(const char* what, const std::function<void()>& command) {
    const QString before = watch.status();
    qint64 shownAt = -1;
    const qint64 start = watch.now();
    qint64 done = watch.runUntil(command, [&] {
      const QString s = watch.status();
      if (shownAt < 0 && s != before && s.startsWith(kTotalsPrefix)) shownAt = watch.now();
      return shownAt >= 0 && watch.lastPaint() >= shownAt;
    });
    if (done < 0) {
      std::printf("%-28s did not finish in %lld ms\n", what, static_cast<long long>(kGiveUpMs));
      return -1;
    }
    std::printf("%-28s %6lld ms to the painted list, longest stall %4lld ms  [%s]\n", what,
                static_cast<long long>(done - start),
                static_cast<long long>(watch.longestStall(done)), qPrintable(watch.status()));
    return done - start;
  }

  void search() {
    timeToList("search", [this] { button("bSer")->click(); });
    std::printf("%-28s %6d lines, peak memory %ld MiB\n", "list shown", session.blocks().count(),
                peakKiB() / 1024);
  }

  void cancelAt(int ms) {
    const qint64 start = watch.now();
    qint64 pressedAt = -1;
    QTimer::singleShot(ms, &watch, [&] {
      pressedAt = watch.now();
      button("bCancel")->click();
    });
    qint64 done = watch.runUntil([this] { button("bSer")->click(); },
                                 [&] {
                                   const QString s = watch.status();
                                   return s == kCancelledText || (s.startsWith(kTotalsPrefix) &&
                                                                  session.blocks().count() > 0);
                                 });
    if (watch.status() != kCancelledText) {
      std::printf("cancel at %4d ms: the search had ended at %lld ms, before the press\n", ms,
                  static_cast<long long>(done - start));
      return;
    }
    const qint64 stall = watch.longestStall(done);
    // The cancelled state shows at once; the work itself ends at its next look.
    const qint64 ended = watch.runUntil([] {}, [this] { return !session.busy(); });
    std::printf(
        "cancel at %4d ms: pressed at %lld ms, shown %lld ms and the work ended %lld ms after the "
        "press; %d lines, longest stall %lld ms\n",
        ms, static_cast<long long>(pressedAt - start), static_cast<long long>(done - pressedAt),
        static_cast<long long>(ended - pressedAt), session.blocks().count(),
        static_cast<long long>(stall));
  }

  BlockLine line(int row) { return session.blocks().line(row); }

  void select(std::vector<int> rows, int caret) { listView()->selectRows(rows, caret); }

  void edits() {
    search();
    const int middle = session.blocks().count() / 2;
    select({middle}, middle);
    timeToList("delete one line", [this] { button("bDel")->click(); });
    select({middle, middle + 1}, middle);
    timeToList("merge two lines", [this] { button("bSplit")->click(); });
    const BlockLine next = line(middle + 1);
    const BlockLine after = line(middle + 2);
    blockDialogs.start = next.end + 1;
    blockDialogs.end = std::max(next.end + 1, after.start - 2);
    timeToList("add one line", [this] { button("bAdd")->click(); });
    const int row = middle + 5;
    const BlockLine old = line(row);
    blockDialogs.start = std::max(line(row - 1).end + 1, old.start - 1);
    blockDialogs.end = old.end;
    select({}, row);
    timeToList("re-address one line", [this] { window.Lst1_DblClick(); });
    std::printf("%-28s %6d lines, peak memory %ld MiB\n", "after the edits",
                session.blocks().count(), peakKiB() / 1024);
  }

  QAction* action(const char* name) { return window.findChild<QAction*>(name); }

  // Undo and redo of one-line edits and of regroupings, and what 100 one-line edits cost the
  // history in memory.
  void history() {
    edits();
    for (int k = 0; k < 4; ++k) {
      timeToList("undo one-line edit", [this] { action("mnuUndo")->trigger(); });
    }
    for (int k = 0; k < 4; ++k) {
      timeToList("redo one-line edit", [this] { action("mnuRedo")->trigger(); });
    }
    const std::size_t before = session.history().memoryBytes();
    const long rssBefore = residentKiB();
    const int middle = session.blocks().count() / 2;
    // Each moves a line's start one byte down, as the edits above do.
    for (int k = 0; k < 100; ++k) {
      const int row = middle + 3 * k;
      blockDialogs.start = std::max(line(row - 1).end + 1, line(row).start - 1);
      blockDialogs.end = line(row).end;
      select({}, row);
      window.Lst1_DblClick();
    }
    std::printf("%-28s %zu steps, history %zu KiB more, resident memory %ld KiB more\n",
                "100 one-line edits", session.history().steps(),
                (session.history().memoryBytes() - before) / 1024, residentKiB() - rssBefore);
    timeToList("regroup after edits 0 -> 1", [this] { spin()->setValue(1); });
    timeToList("undo that regroup", [this] { action("mnuUndo")->trigger(); });
    timeToList("redo that regroup", [this] { action("mnuRedo")->trigger(); });
  }

  // Regrouping the search result and undoing it: the undo regroups again at the old distance.
  void regroupHistory() {
    search();
    timeToList("distance 0 -> 1", [this] { spin()->setValue(1); });
    timeToList("undo to distance 0", [this] { action("mnuUndo")->trigger(); });
    timeToList("redo to distance 1", [this] { action("mnuRedo")->trigger(); });
    timeToList("distance 1 -> 0", [this] { spin()->setValue(0); });
    timeToList("undo to distance 1", [this] { action("mnuUndo")->trigger(); });
    timeToList("redo to distance 0", [this] { action("mnuRedo")->trigger(); });
    std::printf("%-28s %6d lines, history %zu KiB, peak memory %ld MiB\n", "after the regroupings",
                session.blocks().count(), session.history().memoryBytes() / 1024, peakKiB() / 1024);
  }

  void distances() {
    search();
    timeToList("distance 0 -> 1", [this] { spin()->setValue(1); });
    timeToList("distance 1 -> 0", [this] { spin()->setValue(0); });
    std::printf("%-28s %6d lines, peak memory %ld MiB\n", "after the distances",
                session.blocks().count(), peakKiB() / 1024);
  }

  // From `command` to the next paint of the viewer's target pane.
  qint64 timeToPane(PaneWatch& pane, const std::function<void()>& command) {
    const qint64 start = watch.now();
    const qint64 done = watch.runUntil(command, [&] { return pane.lastPaint() >= start; });
    return done < 0 ? -1 : pane.lastPaint() - start;
  }

  static void press(QWidget* widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
  }

  void report(const char* what, const std::vector<qint64>& times) {
    qint64 worst = 0, total = 0;
    for (qint64 t : times) {
      worst = std::max(worst, t);
      total += t;
    }
    std::printf("%-28s %6lld ms on average, at most %lld ms, over %zu\n", what,
                static_cast<long long>(total / std::max<std::size_t>(times.size(), 1)),
                static_cast<long long>(worst), times.size());
  }

  void viewer() {
    search();
    PaneWatch pane(watch);
    select({0}, 0);
    const qint64 opened =
        timeToPane(pane, [this] { window.findChild<QAction*>("mnuBytes")->trigger(); });
    std::printf("%-28s %6lld ms to the painted panes  [%s]\n", "open the viewer",
                static_cast<long long>(opened), qPrintable(byteViewer()->summary()->text()));
    byteViewer()->close();
    const qint64 reopened =
        timeToPane(pane, [this] { window.findChild<QAction*>("mnuBytes")->trigger(); });
    std::printf("%-28s %6lld ms to the painted panes\n", "closed and opened again",
                static_cast<long long>(reopened));
    HexPane* target = byteViewer()->pane(1);
    std::vector<qint64> pages;
    // Only while there is a page further down: a press at the bottom paints nothing.
    QScrollBar* rows = target->verticalScrollBar();
    for (int i = 0; i < 200 && rows->value() < rows->maximum(); ++i) {
      pages.push_back(timeToPane(pane, [target] { press(target, Qt::Key_PageDown); }));
    }
    report("Page Down in the panes", pages);
    timeToList("distance -> 0", [this] { spin()->setValue(0); });
    select({0}, 0);
    listView()->setFocus();
    std::vector<qint64> moves;
    for (int i = 0; i < 100; ++i) {
      moves.push_back(timeToPane(pane, [this] { press(listView(), Qt::Key_Down); }));
    }
    report("caret down, viewer follows", moves);
    const int last = session.blocks().count() - 1;
    moves.clear();
    for (int row : {last, 0, last / 2, last}) {
      moves.push_back(timeToPane(pane, [this, row] { select({row}, row); }));
    }
    report("caret jumps, viewer follows", moves);
    std::printf("%-28s %6d lines, peak memory %ld MiB\n", "viewer open", session.blocks().count(),
                peakKiB() / 1024);
  }

  // Runs `command` until the status line says `text`; prints the time and the longest stall.
  qint64 timeToStatus(const char* what, const std::function<void()>& command, const QString& text) {
    const qint64 start = watch.now();
    const qint64 done = watch.runUntil(command, [&] { return watch.status() == text; });
    std::printf("%-28s %6lld ms, longest stall %4lld ms  [%s]\n", what,
                static_cast<long long>(done - start),
                static_cast<long long>(watch.longestStall(done)), qPrintable(watch.status()));
    return done - start;
  }

  void startWrite(const std::string& path) {
    window.findChild<QCheckBox*>("Check1")->setChecked(true);
    dialogs.paths = {path};
    button("bDIF")->click();
  }

  void startOpen(const std::string& path) {
    dialogs.paths = {path};
    action("redDIF")->trigger();
  }

  void writeDif(const std::string& path) {
    search();
    timeToStatus(
        "create DIF with backup", [&] { startWrite(path); }, "DIF файл успешно создан!");
    std::printf("%-28s peak memory %ld MiB\n", "written", peakKiB() / 1024);
  }

  void openDif(const std::string& path) {
    timeToList("F4 open DIF", [&] { startOpen(path); });
    std::printf("%-28s %6d lines, peak memory %ld MiB\n", "list shown", session.blocks().count(),
                peakKiB() / 1024);
  }

  // "Отмена" `ms` after the work starts: how soon the work has ended, and the files it left.
  void cancelDif(bool write, const std::string& path, int ms) {
    if (write) search();
    const qint64 start = watch.now();
    qint64 pressedAt = -1;
    QTimer::singleShot(ms, &watch, [&] {
      pressedAt = watch.now();
      button("bCancel")->click();
    });
    const qint64 ended = watch.runUntil([&] { write ? startWrite(path) : startOpen(path); },
                                        [&] { return pressedAt >= 0 && !session.busy(); });
    std::printf(
        "cancel %s at %4d ms: pressed at %lld ms, the work ended %lld ms after; "
        "longest stall %lld ms  [%s]\n",
        write ? "write" : "open", ms, static_cast<long long>(pressedAt - start),
        static_cast<long long>(ended - pressedAt),
        static_cast<long long>(watch.longestStall(ended)), qPrintable(watch.status()));
  }

  test::ScriptedMessenger messenger;
  test::ScriptedFileDialogs dialogs;
  BenchBlockDialogs blockDialogs;
  test::MemorySettings settings;
  Session session{realFileSystem()};
  MainWindow window;
  Watch watch;
};

int usage() {
  std::fputs(
      "usage: window_bench SOURCE TARGET "
      "search|cancel:MS|edits|history|regroup-history|distance|viewer|write-dif:PATH|"
      "open-dif:PATH|cancel-write:PATH:MS|cancel-open:PATH:MS [DISTANCE]\n",
      stderr);
  return 2;
}

}  // namespace

}  // namespace hm

int main(int argc, char** argv) {
  if (argc < 4) return hm::usage();
  QApplication app(argc, argv);
  hm::Bench bench(argv[1], argv[2]);
  bench.spin()->setValue(argc > 4 ? std::atoi(argv[4]) : 0);
  const std::string scenario = argv[3];
  if (scenario == "search") {
    bench.search();
  } else if (scenario.rfind("cancel:", 0) == 0) {
    bench.cancelAt(std::atoi(scenario.c_str() + 7));
  } else if (scenario == "edits") {
    bench.edits();
  } else if (scenario == "history") {
    bench.history();
  } else if (scenario == "regroup-history") {
    bench.regroupHistory();
  } else if (scenario == "distance") {
    bench.distances();
  } else if (scenario == "viewer") {
    bench.viewer();
  } else if (scenario.rfind("write-dif:", 0) == 0) {
    bench.writeDif(scenario.substr(10));
  } else if (scenario.rfind("open-dif:", 0) == 0) {
    bench.openDif(scenario.substr(9));
  } else if (scenario.rfind("cancel-write:", 0) == 0 || scenario.rfind("cancel-open:", 0) == 0) {
    const bool write = scenario[7] == 'w';
    const std::string rest = scenario.substr(write ? 13 : 12);
    const std::size_t colon = rest.rfind(':');
    bench.cancelDif(write, rest.substr(0, colon), std::atoi(rest.c_str() + colon + 1));
  } else {
    return hm::usage();
  }
  for (const auto& shown : bench.messenger.shown) {
    if (shown.icon == hm::MessageIcon::Stop) std::printf("error: %s\n", shown.text.c_str());
  }
  return 0;
}
