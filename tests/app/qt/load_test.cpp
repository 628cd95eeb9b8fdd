#include "support/window_fixture.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QtTest>

namespace hm::test {

namespace {

constexpr std::size_t kLargest = 0xFFFFFF;
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HM_SANITIZED_BUILD
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(HM_SANITIZED_BUILD)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
// What a user still takes for a window that keeps up; the search reports about every 100 ms.
constexpr qint64 kLongestStallMs = 700;

// Watches the window from inside its event loop: a 10 ms timer notes every time the loop got
// to run and every new status text, so a stall shows as a long gap between two ticks.
class Timeline : public QObject {
 public:
  Timeline() {
    clock_.start();
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  }

  void start(const QLabel& status) {
    status_ = &status;
    seen_ = status.text();
    clock_.restart();
    ticks_ = {0};
    timer_.start();
  }
  void stop() {
    tick();
    end_ = ticks_.back();
    timer_.stop();
  }
  qint64 now() const { return clock_.elapsed(); }

  struct Status {
    qint64 at;
    QString text;
  };
  const std::vector<Status>& statuses() const { return statuses_; }
  qint64 end() const { return end_; }

  std::size_t progressReports() const {
    return static_cast<std::size_t>(std::count_if(statuses_.begin(), statuses_.end(), [](auto& s) {
      return s.text.startsWith("Найдено различий: ");
    }));
  }

  // The longest time the loop did not run between the start and `until`.
  qint64 longestStallUntil(qint64 until) const {
    qint64 longest = 0, last = 0;
    for (qint64 t : ticks_) {
      if (t > until) break;
      longest = std::max(longest, t - last);
      last = t;
    }
    return std::max(longest, until - last);
  }

 private:
  void tick() {
    qint64 now = clock_.elapsed();
    ticks_.push_back(now);
    if (status_->text() != seen_) {
      seen_ = status_->text();
      statuses_.push_back({now, seen_});
    }
  }

  const QLabel* status_ = nullptr;
  QTimer timer_;
  QElapsedTimer clock_;
  QString seen_;
  std::vector<qint64> ticks_;
  std::vector<Status> statuses_;
  qint64 end_ = 0;
};

// The system clock, noting when the search last read it. The scan reads it after every chunk
// and nothing after the scan does, so the last read ends the scan; the window's own reads (the
// idle timer) happen on its thread and are not noted.
class WatchedClock : public Clock {
 public:
  explicit WatchedClock(const Timeline& timeline) : timeline_(timeline) {}
  Tick now() override {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
      lastRead = timeline_.now();
    }
    return systemClock().now();
  }
  std::atomic<qint64> lastRead = 0;

 private:
  const Timeline& timeline_;
};

// The real file system, noting when the last read came back: there the scan begins.
class WatchedFileSystem : public FileSystem {
 public:
  explicit WatchedFileSystem(const Timeline& timeline) : timeline_(timeline) {}
  std::optional<FileInfo> stat(const std::string& path) override {
    return realFileSystem().stat(path);
  }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    std::optional<ByteImage> image = realFileSystem().read(path, maxBytes);
    lastRead = timeline_.now();
    return image;
  }
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    return realFileSystem().create(path);
  }
  bool makeFolders(const std::string& path) override { return realFileSystem().makeFolders(path); }
  qint64 lastRead = 0;

 private:
  const Timeline& timeline_;
};

// The largest pair there can be with the most blocks: every other byte differs.
void writeEveryOtherBytePair(const std::string& source, const std::string& target) {
  std::vector<std::uint8_t> bytes(kLargest);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  writeFile(source, bytes);
  for (std::size_t i = 0; i < bytes.size(); i += 2) bytes[i] ^= 0xFF;
  writeFile(target, bytes);
}

}  // namespace

class LoadTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { writeEveryOtherBytePair(dir_.file("source.bin"), dir_.file("target.bin")); }

  void searchKeepsReportingProgress_data() {
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("lines");
    // Distance 8 joins everything into one line; distance 0 lists all 8,388,608 blocks.
    QTest::newRow("joined") << 8 << 1;
    QTest::newRow("every block listed") << 0 << static_cast<int>((kLargest + 1) / 2);
  }

  // Until the scan ends the window must get to run every few hundred ms; reading before the
  // scan and regrouping after it are measured and printed for the record.
  void searchKeepsReportingProgress() {
    QFETCH(int, distance);
    QFETCH(int, lines);
    ScriptedMessenger messenger;
    ScriptedFileDialogs dialogs;
    ScriptedBlockEditor blockEditor;
    MemorySettings settings;
    Timeline timeline;
    WatchedClock clock(timeline);
    WatchedFileSystem fs(timeline);
    Session session(fs);
    MainWindow w({session, messenger, dialogs, blockEditor, clock, settings, ""});
    child<QLineEdit>(w, "inFile")->setText(QString::fromStdString(dir_.file("source.bin")));
    child<QLineEdit>(w, "outFile")->setText(QString::fromStdString(dir_.file("target.bin")));
    child<QScrollBar>(w, "byteWith")->setValue(distance);

    timeline.start(*child<QLabel>(w, "lStat"));
    w.bSer_Click();
    timeline.stop();

    QVERIFY(messenger.shown.empty());
    QCOMPARE(session.rawBlocks().size(), (kLargest + 1) / 2);
    QCOMPARE(session.blocks().count(), lines);

    qint64 scanEnd = clock.lastRead;
    qint64 stall = timeline.longestStallUntil(scanEnd);
    for (const Timeline::Status& s : timeline.statuses()) {
      qInfo("%6lld ms  %s", static_cast<long long>(s.at), qPrintable(s.text));
    }
    qInfo(
        "reading %lld ms, scan %lld ms with %zu progress reports, longest stall until the "
        "scan ended %lld ms; regrouping and listing %lld ms; whole search %lld ms, longest "
        "stall %lld ms",
        static_cast<long long>(fs.lastRead), static_cast<long long>(scanEnd - fs.lastRead),
        timeline.progressReports(), static_cast<long long>(stall),
        static_cast<long long>(timeline.end() - scanEnd), static_cast<long long>(timeline.end()),
        static_cast<long long>(timeline.longestStallUntil(timeline.end())));
    if (kSanitized) QSKIP("timings under the sanitizers say nothing about the release program");
    QVERIFY2(stall < kLongestStallMs,
             qPrintable(QString("the window stalled %1 ms before the scan ended").arg(stall)));
  }

 private:
  TempDir dir_;
};

}  // namespace hm::test

QTEST_MAIN(hm::test::LoadTest)
#include "load_test.moc"
