#include "app/qt/carry_result_dialog.h"

#include "app/carry_files.h"
#include "dif/dif_writer.h"
#include "support/dif_builder.h"
#include "support/memory_settings.h"
#include "support/scripted.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace hm::test {

// The result window of "Перенести DIF на другой BIN..." over files on disk: the files asked for,
// the table of blocks, the bytes of the selected one and saving the carried pair.
class CarryResultDialogTest : public QObject {
  Q_OBJECT

  struct Files {
    TempDir dir;
    std::vector<std::uint8_t> source, target, newBin;
  };

  // A BIN with two changed blocks, and its new version with 0x10 bytes inserted before both.
  static void make(Files& f) {
    f.source.resize(0x400);
    for (std::size_t i = 0; i < f.source.size(); ++i)
      f.source[i] = static_cast<std::uint8_t>(i * 7 + i / 13);
    f.target = f.source;
    f.target[0x100] ^= 0xFF;
    f.target[0x300] ^= 0xFF;
    f.newBin = f.source;
    f.newBin.insert(f.newBin.begin() + 0x20, 0x10, 0xAB);
    writeFile(f.dir.file("old.bin"), f.source);
    writeFile(f.dir.file("new.bin"), f.newBin);
    writeFile(
        f.dir.file("p.dif"),
        DifBuilder(2).record(0x100, {f.target[0x100]}).record(0x300, {f.target[0x300]}).bytes());
  }

 private slots:
  void asksForTheFilesAndTheOriginalOnlyWhenWanted() {
    Files f;
    make(f);
    ScriptedFileDialogs dialogs;
    ScriptedMessenger messenger;
    MemorySettings settings;
    FileChooser chooser(dialogs, realFileSystem(), messenger, settings, 1 << 24);
    dialogs.paths = {f.dir.file("p.dif"), f.dir.file("new.bin"), f.dir.file("old.bin")};
    messenger.answers = {MessageAnswer::Yes};
    std::optional<CarryFiles> files = askCarryFiles(chooser, messenger);
    QVERIFY(files);
    QCOMPARE(files->original, f.dir.file("old.bin"));
    QCOMPARE(dialogs.requests[1].title, std::string("Выберите BIN, на который перенести DIF"));
    QCOMPARE(dialogs.requests[2].title,
             std::string("Выберите исходный BIN, из которого сделан DIF"));
    dialogs.paths = {f.dir.file("p.dif"), f.dir.file("new.bin")};
    messenger.answers = {MessageAnswer::No};
    files = askCarryFiles(chooser, messenger);
    QVERIFY(files && files->original.empty());
    dialogs.paths = {f.dir.file("p.dif"), ""};
    QVERIFY(!askCarryFiles(chooser, messenger));
  }

  void listsEveryBlockShowsItsBytesAndSaves() {
    Files f;
    make(f);
    CarryFiles files{f.dir.file("p.dif"), f.dir.file("new.bin"), f.dir.file("old.bin")};
    Result<std::shared_ptr<CarriedDif>> carried = carryFiles(realFileSystem(), files, {});
    QVERIFY(carried);
    QVERIFY(!carryFiles(realFileSystem(), files, [] { return false; }));

    ScriptedFileDialogs dialogs;
    ScriptedMessenger messenger;
    MemorySettings settings;
    FileChooser chooser(dialogs, realFileSystem(), messenger, settings, 1 << 24);
    CarryResultDialog dialog(carried.value(), realFileSystem(), chooser, messenger);
    QAbstractItemModel* table = dialog.table()->model();
    auto cell = [table](int row, int column) {
      return table->index(row, column).data().toString();
    };
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->headerData(3, Qt::Horizontal).toString(), QString("Итог"));
    QCOMPARE(cell(0, 0), QString("000100–000100"));
    QCOMPARE(cell(0, 1), QString("000110"));
    QCOMPARE(cell(0, 2), QString("+10"));
    QCOMPARE(cell(0, 3), QString("перенесён"));
    dialog.table()->setCurrentIndex(table->index(1, 0));
    auto* binPane = dialog.findChild<QPlainTextEdit*>("carryNewBinBytes");
    auto* difPane = dialog.findChild<QPlainTextEdit*>("carryDifBytes");
    QVERIFY(binPane->toPlainText().startsWith("000310  "));
    QCOMPARE(difPane->toPlainText().mid(8, 2),
             QString::number(f.target[0x300], 16).toUpper().rightJustified(2, '0'));

    dialogs.paths = {f.dir.file("v2.dif")};
    QVERIFY(dialog.save());
    std::vector<std::uint8_t> applied = f.newBin;
    const std::vector<std::uint8_t> dif = readFile(f.dir.file("v2.dif"));
    QCOMPARE(
        dif,
        DifBuilder(2).record(0x110, {f.target[0x100]}).record(0x310, {f.target[0x300]}).bytes());
    QCOMPARE(
        readFile(f.dir.file("v2.dif_bak.dif")),
        DifBuilder(2).record(0x110, {f.newBin[0x110]}).record(0x310, {f.newBin[0x310]}).bytes());
    QCOMPARE(messenger.lastText(), std::string("DIF файл успешно создан!"));
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::CarryResultDialogTest)
#include "carry_result_dialog_test.moc"
