#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace hm::test {

namespace {

// The real file system, but the worker stops at the first read or create of `gated` until the
// test opens the gate: the work is then surely under way while the test looks at the window.
class GateFileSystem : public FileSystem {
 public:
  std::optional<FileInfo> stat(const std::string& path) override { return real_.stat(path); }
  std::optional<ByteImage> read(const std::string& path, std::size_t maxBytes) override {
    wait(path);
    return real_.read(path, maxBytes);
  }
  std::unique_ptr<OutputFile> create(const std::string& path) override {
    wait(path);
    return real_.create(path);
  }
  bool makeFolders(const std::string& path) override { return real_.makeFolders(path); }

  std::string gated;
  std::atomic<bool> reached{false};

  void open() {
    std::lock_guard lock(mutex_);
    opened_ = true;
    changed_.notify_all();
  }

 private:
  void wait(const std::string& path) {
    if (path != gated) return;
    reached = true;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return opened_; });
  }

  FileSystem& real_ = realFileSystem();
  std::mutex mutex_;
  std::condition_variable changed_;
  bool opened_ = false;
};

}  // namespace

// Long DIF work in the real window: "Отмена" shows while it runs, the loop keeps turning, and a
// cancelled job leaves its files as they were.
class DifJobsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cancelWhileTheWorkRuns_data() {
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("gated");
    QTest::addColumn<QString>("status");
    QTest::newRow("open") << "open"
                          << "p.dif"
                          << "Чтение DIF файла отменено.";
    QTest::newRow("write") << "write"
                           << "out.dif"
                           << "Запись DIF файла отменена.";
    QTest::newRow("apply") << "apply"
                           << "p.dif"
                           << "Установка DIF отменена.";
  }

  void cancelWhileTheWorkRuns() {
    QFETCH(QString, job);
    QFETCH(QString, gated);
    QFETCH(QString, status);
    TempDir dir;
    ScriptedMessenger messenger;
    ScriptedFileDialogs dialogs;
    ScriptedBlockEditor blockDialogs;
    ManualClock clock{1000};
    MemorySettings settings;
    GateFileSystem fs;
    Session session{fs};
    MainWindow window(
        WindowServices{session, messenger, dialogs, blockDialogs, clock, settings, ""});
    const std::vector<std::uint8_t> dif = DifBuilder(1).record(0x2, {9}).bytes();
    writeFile(dir.file("p.dif"), dif);
    writeFile(dir.file("a.bin"), std::vector<std::uint8_t>(8, 0));
    writeFile(dir.file("out.dif"), std::string("old"));
    if (job == "write") {
      session.setEditingDif(true);
      QVERIFY(session.readDif(dir.file("p.dif")));
      session.blocks().add("000002\t000002\t01\t00\t");
    }
    fs.gated = dir.file(gated.toStdString());
    if (job == "open") {
      dialogs.paths = {dir.file("p.dif")};
      window.files().redDIF_Click();
    } else if (job == "write") {
      dialogs.paths = {dir.file("out.dif")};
      child<QPushButton>(window, "bDIF")->click();
    } else {
      dialogs.paths = {dir.file("p.dif"), dir.file("a.bin"), dir.file("new.bin")};
      window.files().AppDif_Click();
    }
    QTRY_VERIFY(fs.reached);
    QCoreApplication::processEvents();
    QPushButton* cancel = child<QPushButton>(window, "bCancel");
    QVERIFY(!cancel->isHidden());
    QVERIFY(!child<QPushButton>(window, "bDIF")->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(cancel->isHidden());
    fs.open();
    waitIdle(session);
    QCOMPARE(child<QLabel>(window, "lStat")->text(), status);
    QVERIFY(messenger.shown.empty());
    QCOMPARE(readFile(dir.file("out.dif")), std::vector<std::uint8_t>({'o', 'l', 'd'}));
    QVERIFY(!QFile::exists(QString::fromStdString(dir.file("new.bin"))));
    QCOMPARE(QDir(QString::fromStdString(dir.path())).count(), 5u);  // . .. p.dif a.bin out.dif
    if (job == "open") QCOMPARE(session.blocks().count(), 0);
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::DifJobsWindowTest)
#include "dif_jobs_window_test.moc"
