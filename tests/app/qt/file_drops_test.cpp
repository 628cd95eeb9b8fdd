#include "blocks/qt/block_list_view.h"
#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

namespace hm::test {

namespace {

QWidget* dropTarget(MainWindow& w, const QString& name) {
  if (name == "list") return listView(w)->viewport();
  return child<QLineEdit>(w, name.toLatin1().constData());
}

// A local path as a file manager hands it on; anything with a scheme as written.
QUrl urlOf(const QString& item, const TempDir& dir) {
  if (item.contains("://")) return QUrl(item);
  return QUrl::fromLocalFile(QString::fromStdString(dir.file(item.toStdString())));
}

// A drag entering `target`, then its drop, offering `actions` and proposing the first of them;
// whether the entering drag was accepted. `taken` gets the action the drop was accepted with.
bool dragAndDrop(QWidget* target, const QMimeData& mime, Qt::DropActions actions = Qt::CopyAction,
                 Qt::DropAction* taken = nullptr) {
  QDragEnterEvent enter(QPoint(4, 4), actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(4, 4), actions, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  if (taken) *taken = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  QCoreApplication::processEvents();
  return enter.isAccepted();
}

// The files every drop test can reach, and a DIF of one block opened for editing if asked.
void prepare(WindowFixture& f, bool editing) {
  test::writeFile(f.file("data.bin"), std::vector<std::uint8_t>(64, 7));
  test::writeFile(f.file("p.dif"), DifBuilder(1).record(0x10, {1, 2, 3}).bytes());
  test::writeFile(f.file("big.bin"), std::string());
  QCOMPARE(::truncate(f.file("big.bin").c_str(), 16777216), 0);
  QVERIFY(::mkdir(f.file("folder.bin").c_str(), 0755) == 0);
  if (!editing) return;
  f.dialogs.paths = {f.file("p.dif")};
  f.window->files().redDIF_Click();
  waitIdle(f.session);
  QVERIFY(f.session.editingDif());
  f.dialogs.requests.clear();
}

}  // namespace

class FileDropsTest : public QObject {
  Q_OBJECT

 private slots:
  // What a file dropped on a control does is what choosing it in the control's dialog does,
  // without the dialog.
  void droppedFileIsTakenAsIfChosen_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("inFile");
    QTest::addColumn<QString>("outFile");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("message");
    QTest::newRow("source") << "inFile"
                            << "data.bin" << false << "data.bin"
                            << "" << 0 << "";
    QTest::newRow("target") << "outFile"
                            << "data.bin" << false << ""
                            << "data.bin" << 0 << "";
    QTest::newRow("data file while editing") << "inFile"
                                             << "data.bin" << true << "data.bin"
                                             << "" << 1 << "";
    QTest::newRow("DIF on the list") << "list"
                                     << "p.dif" << false << ""
                                     << "" << 1 << "";
    QTest::newRow("too large") << "inFile"
                               << "big.bin" << false << ""
                               << "" << 0 << "Too Large File! (Max 16Mb)";
  }

  void droppedFileIsTakenAsIfChosen() {
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFETCH(bool, editing);
    QFETCH(QString, inFile);
    QFETCH(QString, outFile);
    QFETCH(int, blocks);
    QFETCH(QString, message);
    WindowFixture f;
    MainWindow& w = *f.window;
    prepare(f, editing);
    const QString in = inFile.isEmpty() ? "" : QString::fromStdString(f.file(inFile.toStdString()));
    const QString out =
        outFile.isEmpty() ? "" : QString::fromStdString(f.file(outFile.toStdString()));

    QMimeData mime;
    mime.setUrls({urlOf(file, f.dir)});
    QVERIFY(dragAndDrop(dropTarget(w, target), mime));
    waitIdle(f.session);
    QVERIFY(f.dialogs.requests.empty());
    QCOMPARE(child<QLineEdit>(w, "inFile")->text(), in);
    QCOMPARE(child<QLineEdit>(w, "outFile")->text(), out);
    QCOMPARE(f.session.blocks().count(), blocks);
    if (message.isEmpty()) {
      QVERIFY(f.messenger.shown.empty());
      QCOMPARE(f.lastFolder(), f.dir.path() + "/");
    } else {
      QCOMPARE(QString::fromStdString(f.messenger.lastText()), message);
    }
    if (target == "list") {
      QVERIFY(f.session.editingDif());
      QCOMPARE(header(w)->count(), 6);
    }
    if (editing) QVERIFY(child<QPushButton>(w, "bAdd")->isEnabled());
  }

  // A drop taken as a move would let the program it came from delete the user's file.
  void dropsAreTakenAsCopiesNeverMoves_data() {
    QTest::addColumn<int>("offered");
    QTest::addColumn<int>("taken");
    QTest::newRow("move proposed, copy offered")
        << int(Qt::MoveAction | Qt::CopyAction) << int(Qt::CopyAction);
    QTest::newRow("move or link") << int(Qt::MoveAction | Qt::LinkAction) << int(Qt::LinkAction);
    QTest::newRow("move only") << int(Qt::MoveAction) << int(Qt::IgnoreAction);
  }

  void dropsAreTakenAsCopiesNeverMoves() {
    QFETCH(int, offered);
    QFETCH(int, taken);
    WindowFixture f;
    prepare(f, false);
    QMimeData mime;
    mime.setUrls({urlOf("data.bin", f.dir)});
    Qt::DropAction action = Qt::MoveAction;
    const bool entered =
        dragAndDrop(dropTarget(*f.window, "inFile"), mime, Qt::DropActions(offered), &action);
    QCOMPARE(int(action), taken);
    QCOMPARE(entered, taken != int(Qt::IgnoreAction));
    QCOMPARE(child<QLineEdit>(*f.window, "inFile")->text().isEmpty(),
             taken == int(Qt::IgnoreAction));
  }

  // Refused as it enters, so the cursor says so, and if dropped all the same nothing happens.
  void anythingElseIsRefusedWithoutAMessage_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QStringList>("urls");
    QTest::newRow("BIN on the list") << "list" << QStringList{"data.bin"};
    QTest::newRow("two files") << "inFile" << QStringList{"data.bin", "p.dif"};
    QTest::newRow("folder") << "inFile" << QStringList{"folder.bin"};
    QTest::newRow("missing file") << "outFile" << QStringList{"none.bin"};
    QTest::newRow("remote file") << "outFile" << QStringList{"https://example.org/a.bin"};
    QTest::newRow("text") << "inFile" << QStringList{};
  }

  void anythingElseIsRefusedWithoutAMessage() {
    QFETCH(QString, target);
    QFETCH(QStringList, urls);
    WindowFixture f;
    MainWindow& w = *f.window;
    prepare(f, false);
    QMimeData mime;
    QList<QUrl> list;
    for (const QString& item : urls) list.push_back(urlOf(item, f.dir));
    if (list.isEmpty()) {
      mime.setText(QString::fromStdString(f.file("data.bin")));
    } else {
      mime.setUrls(list);
    }

    QVERIFY(!dragAndDrop(dropTarget(w, target), mime));
    QVERIFY(f.messenger.shown.empty());
    QVERIFY(f.dialogs.requests.empty());
    QVERIFY(child<QLineEdit>(w, "inFile")->text().isEmpty());
    QVERIFY(child<QLineEdit>(w, "outFile")->text().isEmpty());
    QVERIFY(!f.session.editingDif());
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::FileDropsTest)
#include "file_drops_test.moc"
