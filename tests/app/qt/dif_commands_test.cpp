#include "app/command_line.h"
#include "blocks/qt/block_list_view.h"
#include "blocks/qt/tab_stop_fields.h"
#include "blocks/tab_stops.h"
#include "platform/settings.h"
#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <filesystem>
#include <random>
#include <sys/stat.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

namespace hm::test {

namespace {

std::vector<std::uint8_t> randomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

QString q(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

class DifCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void roundTripThroughTheWindow() {
    WindowFixture f;
    MainWindow& w = *f.window;
    std::vector<std::uint8_t> source = randomBytes(5000, 1);
    std::vector<std::uint8_t> target = source;
    std::mt19937 rng(2);
    for (int i = 0; i < 60; ++i) target[rng() % target.size()] ^= 0x5A;
    test::writeFile(f.file("src.bin"), source);
    test::writeFile(f.file("tgt.bin"), target);
    child<QLineEdit>(w, "inFile")->setText(q(f.file("src.bin")));
    child<QLineEdit>(w, "outFile")->setText(q(f.file("tgt.bin")));
    w.bSer_Click();
    QVERIFY(f.session.blocks().count() > 0);

    child<QCheckBox>(w, "Check1")->setChecked(true);
    f.dialogs.paths = {f.file("patch")};
    w.files().bdif_Click();
    QCOMPARE(f.dialogs.requests.back().title, std::string("Выберите Новый DIF Файл"));
    QCOMPARE(child<QLabel>(w, "lStat")->text(), QString("DIF файл успешно создан!"));
    QVERIFY(fileExists(f.file("patch.DIF")));
    QVERIFY(fileExists(f.file("patch.DIF_bak.dif")));

    f.dialogs.paths = {f.file("patch.DIF"), f.file("src.bin"), f.file("patched.bin")};
    w.files().AppDif_Click();
    QCOMPARE(f.messenger.lastText(), std::string("DIF файл успешно установлен!"));
    QCOMPARE(readFile(f.file("patched.bin")), target);

    f.dialogs.paths = {f.file("patch.DIF_bak.dif"), f.file("patched.bin"), f.file("undone.bin")};
    w.files().AppDif_Click();
    QCOMPARE(readFile(f.file("undone.bin")), source);
  }

  // The DIF and its backup are written as one pair, and never over a device or a FIFO.
  void aDifThatCannotBeWrittenWholeLeavesEveryFile() {
    WindowFixture f;
    MainWindow& w = *f.window;
    test::writeFile(f.file("src.bin"), randomBytes(300, 3));
    test::writeFile(f.file("tgt.bin"), randomBytes(300, 4));
    child<QLineEdit>(w, "inFile")->setText(q(f.file("src.bin")));
    child<QLineEdit>(w, "outFile")->setText(q(f.file("tgt.bin")));
    w.bSer_Click();
    child<QCheckBox>(w, "Check1")->setChecked(true);
    test::writeFile(f.file("old.dif"), std::string("the DIF written last time"));
    std::filesystem::create_directory(f.file("old.dif_bak.dif"));
    f.dialogs.paths = {f.file("old.dif")};
    w.files().bdif_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Ошибка записи DIF файла"));
    QCOMPARE(readFile(f.file("old.dif")).size(), std::size_t(25));

    QVERIFY(::mkfifo(f.file("pipe").c_str(), 0600) == 0);
    f.dialogs.paths = {f.file("pipe")};
    w.files().bdif_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Ошибка записи DIF файла"));
    QVERIFY(std::filesystem::is_fifo(f.file("pipe")));
    QVERIFY(!fileExists(f.file("pipe.dif")));
  }

  // A block that cannot be written is named with why, and the status line stays true.
  void aBlockThatCannotBeWrittenIsNamed() {
    WindowFixture f;
    MainWindow& w = *f.window;
    test::writeFile(f.file("src.bin"), randomBytes(0x1020, 5));
    test::writeFile(f.file("tgt.bin"), randomBytes(0x1020, 6));
    child<QLineEdit>(w, "inFile")->setText(q(f.file("src.bin")));
    child<QLineEdit>(w, "outFile")->setText(q(f.file("tgt.bin")));
    w.bSer_Click();
    const QString totals = child<QLabel>(w, "lStat")->text();
    f.session.blocks().add("002000\t002010\t");
    w.reCalc();
    const QString status = child<QLabel>(w, "lStat")->text();
    f.dialogs.paths = {f.file("out")};
    w.files().bdif_Click();
    QCOMPARE(q(f.messenger.lastText()),
             QString("Ошибка записи DIF файла\n\nБлок 002000–002010 выходит за конец конечного "
                     "файла."));
    QCOMPARE(child<QLabel>(w, "lStat")->text(), status);
    QVERIFY(status != totals);
    QVERIFY(!fileExists(f.file("out.dif")));
  }

  // A backup that is there but cannot tell whether the BIN is the source is asked about.
  void anUnusableBackupIsAskedAbout() {
    WindowFixture f;
    test::writeFile(f.file("p.dif"), DifBuilder(1).record(0, {9}).bytes());
    test::writeFile(f.file("p.dif_bak.dif"), std::string("damaged"));
    test::writeFile(f.file("in.bin"), std::vector<std::uint8_t>(4, 0));
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
      f.messenger.answers = {answer};
      f.dialogs.paths = {f.file("p.dif"), f.file("in.bin"), f.file("out.bin")};
      f.window->files().AppDif_Click();
      QCOMPARE(
          q(f.messenger.shown.at(0).text),
          QString("Неверный DIF файл!!! %1 Всё равно установить?").arg(q(f.file("p.dif_bak.dif"))));
      QCOMPARE(f.messenger.shown.at(0).buttons, MessageButtons::YesNo);
      QCOMPARE(fileExists(f.file("out.bin")), answer == MessageAnswer::Yes);
      f.messenger.shown.clear();
    }
  }

  // With its backup beside it a DIF is applied to its source without a question; to anything
  // else only when the user says Yes, No being the default.
  void verifiedApplyingAsksOnlyWhenTheBinIsNotTheSource_data() {
    QTest::addColumn<QString>("dif");
    QTest::addColumn<QString>("bin");
    QTest::addColumn<bool>("withBackup");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("status");
    const QString verified = "DIF установлен на проверенный BIN.";
    const QString already = "DIF уже установлен на этот BIN. Всё равно установить?";
    const QString differs =
        "BIN не совпадает с исходным: отличается 1 блок из 2, первый по адресу 000041. "
        "Всё равно установить?";
    const int yes = int(MessageAnswer::Yes), no = int(MessageAnswer::No);
    QTest::newRow("source") << "p.dif"
                            << "src.bin" << true << no << ""
                            << "tgt.bin" << verified;
    const QString cancelled = "Установка DIF отменена.";
    QTest::newRow("patched, No") << "p.dif"
                                 << "tgt.bin" << true << no << already << "" << cancelled;
    QTest::newRow("patched, Yes") << "p.dif"
                                  << "tgt.bin" << true << yes << already << "tgt.bin"
                                  << "DIF установлен повторно.";
    QTest::newRow("mixed, No") << "p.dif"
                               << "mixed.bin" << true << no << differs << "" << cancelled;
    QTest::newRow("mixed, Yes") << "p.dif"
                                << "mixed.bin" << true << yes << differs << "tgt.bin"
                                << "DIF установлен на BIN, не совпадающий с исходным.";
    QTest::newRow("no backup") << "p.dif"
                               << "mixed.bin" << false << no << ""
                               << "tgt.bin"
                               << "DIF установлен без проверки BIN.";
    QTest::newRow("undo of the patched BIN") << "p.dif_bak.dif"
                                             << "tgt.bin" << true << no << ""
                                             << "src.bin" << verified;
    QTest::newRow("undo of the source, No")
        << "p.dif_bak.dif"
        << "src.bin" << true << no << already << "" << cancelled;
  }

  void verifiedApplyingAsksOnlyWhenTheBinIsNotTheSource() {
    QFETCH(QString, dif);
    QFETCH(QString, bin);
    QFETCH(bool, withBackup);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QString, written);
    QFETCH(QString, status);
    WindowFixture f;
    std::vector<std::uint8_t> source = randomBytes(0x80, 5);
    std::vector<std::uint8_t> target = source;
    for (int i : {0x10, 0x11, 0x40, 0x41, 0x42}) target[i] ^= 0xFF;
    std::vector<std::uint8_t> mixed = source;
    mixed[0x41] = target[0x41];
    auto slice = [](const std::vector<std::uint8_t>& image, int at, int n) {
      return std::vector<std::uint8_t>(image.begin() + at, image.begin() + at + n);
    };
    test::writeFile(f.file("src.bin"), source);
    test::writeFile(f.file("tgt.bin"), target);
    test::writeFile(f.file("mixed.bin"), mixed);
    test::writeFile(f.file("p.dif"), DifBuilder(2)
                                         .record(0x10, slice(target, 0x10, 2))
                                         .record(0x40, slice(target, 0x40, 3))
                                         .bytes());
    if (withBackup) {
      test::writeFile(f.file("p.dif_bak.dif"), DifBuilder(2)
                                                   .record(0x10, slice(source, 0x10, 2))
                                                   .record(0x40, slice(source, 0x40, 3))
                                                   .bytes());
    }
    child<QLabel>(*f.window, "lStat")->setText("");
    f.dialogs.paths = {f.file(dif.toStdString()), f.file(bin.toStdString()), f.file("out.bin")};
    f.messenger.answers = {MessageAnswer(answer), MessageAnswer::Ok};
    f.window->files().AppDif_Click();

    if (question.isEmpty()) {
      QCOMPARE(f.messenger.shown.size(), std::size_t(1));
    } else {
      QCOMPARE(q(f.messenger.shown.at(0).text), question);
      QVERIFY(f.messenger.shown[0].buttons == MessageButtons::YesNo);
    }
    if (written.isEmpty()) {
      QVERIFY(!fileExists(f.file("out.bin")));
      // Refused before the output is even asked for.
      QCOMPARE(f.dialogs.requests.size(), std::size_t(2));
    } else {
      QCOMPARE(readFile(f.file("out.bin")), readFile(f.file(written.toStdString())));
      QCOMPARE(f.messenger.lastText(), std::string("DIF файл успешно установлен!"));
    }
    QCOMPARE(child<QLabel>(*f.window, "lStat")->text(), status);
  }

  void invalidDifIsRefusedBeforeTheBinIsAsked() {
    WindowFixture f;
    test::writeFile(f.file("bad.dif"),
                    std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\1\0\0\0XBLKNORD", 40));
    f.dialogs.paths = {f.file("bad.dif"), f.file("never.bin")};
    f.window->files().AppDif_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Неверный DIF файл!!!"));
    QCOMPARE(f.messenger.shown.back().icon, MessageIcon::Stop);
    QCOMPARE(f.dialogs.requests.size(), std::size_t(1));
  }

  void commandLineDifIsAppliedWithTheLaterDialogsReal() {
    WindowFixture f;
    test::writeFile(f.file("bin.bin"), std::vector<std::uint8_t>(4, 0));
    test::writeFile(f.file("p.dif"), std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
    CommandLine command;
    command.form = CommandForm::DifFile;
    command.difPath = f.file("p.dif");
    f.dialogs.paths = {f.file("bin.bin"), f.file("out.bin")};
    QVERIFY(!runCommandLine(*f.window, command));
    // Only the BIN and the output were asked for.
    QCOMPARE(f.dialogs.requests.size(), std::size_t(2));
    QCOMPARE(f.dialogs.requests[0].title, std::string("Выберите Исходный BIN Файл"));
    QCOMPARE(readFile(f.file("out.bin")), std::vector<std::uint8_t>(4, 0));
    // The line's DIF served that apply only: the next one asks for its DIF again.
    f.window->files().AppDif_Click();
    QCOMPARE(f.dialogs.requests.size(), std::size_t(3));
    QVERIFY(f.dialogs.requests[2].title != f.dialogs.requests[0].title);
  }

  void editedDifTakesBlocksFromTwoDataFiles() {
    WindowFixture f;
    MainWindow& w = *f.window;
    std::vector<std::uint8_t> base(64, 0);
    test::writeFile(f.file("base.bin"), base);
    std::vector<std::uint8_t> target = base;
    for (int i = 8; i < 12; ++i) target[i] = 0xAA;
    test::writeFile(f.file("tgt.bin"), target);
    child<QLineEdit>(w, "inFile")->setText(q(f.file("base.bin")));
    child<QLineEdit>(w, "outFile")->setText(q(f.file("tgt.bin")));
    w.bSer_Click();
    f.dialogs.paths = {f.file("first.dif")};
    w.files().bdif_Click();

    f.dialogs.paths = {f.file("first.dif")};
    w.files().redDIF_Click();
    QVERIFY(f.session.editingDif());
    QCOMPARE(header(w)->count(), 6);
    QCOMPARE(QString::fromUtf8(f.session.blocks().text(0)),
             QString("000008\t00000B\t04\t00\t00\t"));

    test::writeFile(f.file("one.dat"), std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
    test::writeFile(f.file("two.dat"), std::vector<std::uint8_t>{9, 9, 9, 9});
    child<QLineEdit>(w, "inFile")->setText(q(f.file("one.dat")));
    QVERIFY(child<QPushButton>(w, "bAdd")->isEnabled());
    f.blockDialogs.answerDataBlock = [](DataBlockExchange& e) {
      QCOMPARE(e.dataFileLength, 8);
      QCOMPARE(e.length, 8);
      e.destination = 0x20;
      e.length = 3;
      e.offset = 2;
      e.accepted = true;
    };
    w.bAdd_Click();
    QCOMPARE(f.blockDialogs.titles.back(), std::string("Добавление блока из файла данных"));
    child<QLineEdit>(w, "inFile")->setText(q(f.file("two.dat")));
    f.blockDialogs.answerDataBlock = [](DataBlockExchange& e) {
      e.destination = 0x30;
      e.length = 2;
      e.offset = 0;
      e.accepted = true;
    };
    w.bAdd_Click();
    QCOMPARE(f.session.blocks().count(), 3);
    QCOMPARE(QString::fromUtf8(f.session.blocks().text(1)),
             QString("000020\t000022\t03\t0D\t02\t") + q(f.file("one.dat")));

    f.dialogs.paths = {f.file("second.dif")};
    w.files().bdif_Click();
    QCOMPARE(child<QLabel>(w, "lStat")->text(), QString("DIF файл успешно создан!"));
    QVERIFY(!fileExists(f.file("second.dif_bak.dif")));

    test::writeFile(f.file("zero.bin"), std::vector<std::uint8_t>(16, 0));
    f.dialogs.paths = {f.file("second.dif"), f.file("zero.bin"), f.file("out.bin")};
    w.files().AppDif_Click();
    std::vector<std::uint8_t> out = readFile(f.file("out.bin"));
    QCOMPARE(out.size(), std::size_t(0x32));
    QCOMPARE(out[8], std::uint8_t(0xAA));
    QCOMPARE(out[0x20], std::uint8_t(3));
    QCOMPARE(out[0x22], std::uint8_t(5));
    QCOMPARE(out[0x31], std::uint8_t(9));
  }

  void rejectedDifLeavesNoLinesBehind() {
    WindowFixture f;
    MainWindow& w = *f.window;
    std::string dif("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\3\0\0\0", 32);
    for (int i = 0; i < 2; ++i)
      dif += std::string("FBLKNORD\5\0\0\0", 12) + char(i) + std::string("\0\0\0", 3) + "x";
    dif += std::string("XXXXXXXX\5\0\0\0\7\0\0\0y", 17);
    test::writeFile(f.file("third.dif"), dif);
    f.dialogs.paths = {f.file("third.dif")};
    w.files().redDIF_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Неверный DIF файл!"));
    QCOMPARE(f.session.blocks().count(), 0);
    QVERIFY(f.session.editingDif());
    QCOMPARE(header(w)->count(), 6);
  }

  void unreadableDifKeepsTheModeWithAnEmptyList() {
    WindowFixture f;
    f.dialogs.paths = {f.file("missing.dif")};
    f.window->files().redDIF_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Ошибка открытия файла!"));
    QVERIFY(f.session.editingDif());
    QCOMPARE(f.session.blocks().count(), 0);
  }

  // The mode stays on after a DIF that cannot be used, and the window says so: the controls
  // show the editing layout until F5 leaves it.
  void failedOpeningShowsTheModeItLeavesOn_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("unreadable") << false;
    QTest::newRow("invalid") << true;
  }

  void failedOpeningShowsTheModeItLeavesOn() {
    QFETCH(bool, fileExists);
    WindowFixture f;
    MainWindow& w = *f.window;
    if (fileExists) test::writeFile(f.file("p.dif"), std::string("not a DIF at all, too short"));
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    QVERIFY(f.session.editingDif());
    QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString("Файл данных"));
    QVERIFY(child<QLineEdit>(w, "outFile")->isHidden());
    QVERIFY(!child<QScrollBar>(w, "byteWith")->isEnabled());

    test::writeFile(f.file("a.bin"), std::vector<std::uint8_t>{1});
    f.dialogs.paths = {f.file("a.bin")};
    w.files().opOrig_Click();
    QVERIFY(!f.session.editingDif());
    QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString("Исходный BIN"));
    QVERIFY(!child<QLineEdit>(w, "outFile")->isHidden());
    child<QLineEdit>(w, "outFile")->setText(q(f.file("b.bin")));
    QVERIFY(child<QPushButton>(w, "bSer")->isEnabled());
  }

  // Every caption and every six-digit field fits its column at start-up, whatever the font:
  // no two fields of a line touch, and none is pushed past its caption.
  void fieldsKeepTheirColumnsInBothModes() {
    WindowFixture f;
    MainWindow& w = *f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString normal = "FFFFF0\tFFFFFF\t10\t0";
    const QString editing = "FFFFF0\tFFFFFF\t10\t0\tFFFFFF\t/data.bin";
    for (const QString& line : {normal, editing}) {
      if (line == editing) {
        test::writeFile(f.file("p.dif"),
                        std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
        f.dialogs.paths = {f.file("p.dif")};
        w.files().redDIF_Click();
        QVERIFY(f.session.editingDif());
      }
      header(w)->viewport()->repaint();
      const std::vector<int>& stops = listView(w)->tabStops();
      const QFontMetrics metrics(listView(w)->font());
      const std::vector<int> offsets = fieldOffsets(line, stops, metrics);
      const QStringList fields = line.split('\t');
      QCOMPARE(offsets.size(), std::size_t(fields.size()));
      for (int i = 0; i + 1 < fields.size(); ++i) {
        QCOMPARE(offsets[i + 1], tabStopPixels(stops[i]));
        QVERIFY2(
            offsets[i] + metrics.horizontalAdvance(fields[i]) + fieldGap(metrics) <= offsets[i + 1],
            qPrintable(fields[i]));
      }
      for (int i = 0; i < header(w)->count(); ++i) {
        const QString caption = header(w)->model()->headerData(i, Qt::Horizontal).toString();
        QVERIFY2(header(w)->fontMetrics().horizontalAdvance(caption) < header(w)->sectionSize(i),
                 qPrintable(caption));
      }
    }
  }

  void comparisonFormWritesTheDifAndEnds() {
    WindowFixture f;
    test::writeFile(f.file("old.bin"), std::vector<std::uint8_t>(40, 0));
    std::vector<std::uint8_t> changed(40, 0);
    changed[3] = 1;
    changed[20] = 1;
    test::writeFile(f.file("new.bin"), changed);
    CommandLine command = parseCommandLine(
        f.file("old.bin") + " /MD:16 /t:" + f.file("new.bin") + " /d:" + f.file("out"),
        realFileSystem());
    QCOMPARE(int(command.form), int(CommandForm::Comparison));
    std::optional<int> status = runCommandLine(*f.window, command);
    QVERIFY(status);
    QCOMPARE(*status, 0);
    QCOMPARE(child<QScrollBar>(*f.window, "byteWith")->value(), 16);
    std::vector<std::uint8_t> dif = readFile(f.file("out.dif"));
    QCOMPARE(dif.size(), std::size_t(32 + 16 + 18));  // one record of 3..20 joined
  }

  void comparisonWithAMissingFileEndsNotFound() {
    WindowFixture f;
    CommandLine command = parseCommandLine(
        f.file("none.bin") + " /t:" + f.file("none2.bin") + " /d:" + f.file("out.dif"),
        realFileSystem());
    std::optional<int> status = runCommandLine(*f.window, command);
    QVERIFY(status);
    QCOMPARE(*status, 3);
    QCOMPARE(f.messenger.lastText(), std::string("Файл не найден"));
    QCOMPARE(child<QLineEdit>(*f.window, "inFile")->text(), q(f.file("none.bin")));
    QVERIFY(!fileExists(f.file("out.dif")));
  }

  void badLineShowsTheMessageWithTheLine() {
    WindowFixture f;
    CommandLine command =
        parseCommandLine("old.bin /md:200 /t:new.bin /d:out.dif", realFileSystem());
    std::optional<int> status = runCommandLine(*f.window, command);
    QVERIFY(status);
    QCOMPARE(*status, 2);
    QCOMPARE(f.messenger.lastText(),
             std::string(
                 "Неверные параметры командной сторки!\n\nold.bin /md:200 /t:new.bin /d:out.dif"));
  }

  void associationRegistersBothTypes() {
    WindowFixture f;
    TempDir xdg;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(xdg.file("data")));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(xdg.file("config")));
    f.window->files().asso_Click();
    f.window->files().asso_Click();
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    QVERIFY(f.messenger.shown.empty());
    const std::string program = f.file("hexmarshal");
    const std::pair<const char*, std::string> values[] = {
        {".bin", "Hexmarshal.bin"},
        {"Hexmarshal.bin\\DefaultIcon", program},
        {"Hexmarshal.bin\\shell\\open\\command", program + " %1"},
        {".dif", "Hexmarshal.dif"},
        {"Hexmarshal.dif\\DefaultIcon", program + ",1"},
        {"Hexmarshal.dif\\shell\\open\\command", program + " %1"}};
    for (const auto& [key, expected] : values) {
      std::string value;
      QVERIFY2(f.settings.ReadRegValue(RegRoot::ClassesRoot, key, "", value), key);
      QCOMPARE(value, expected);
    }
    QVERIFY(fileExists(xdg.file("data/applications/hexmarshal-user.desktop")));
    QVERIFY(fileExists(xdg.file("data/mime/packages/hexmarshal.xml")));
    QVERIFY(fileExists(xdg.file("config/mimeapps.list")));
  }

  void savingOverTheEditedDifAsksOnceAnotherProgramChangedIt_data() {
    QTest::addColumn<bool>("sameSizeAndTime");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("resized, Yes") << false << true;
    QTest::newRow("resized, No") << false << false;
    QTest::newRow("same size and time, Yes") << true << true;
    QTest::newRow("same size and time, No") << true << false;
  }

  void savingOverTheEditedDifAsksOnceAnotherProgramChangedIt() {
    QFETCH(bool, sameSizeAndTime);
    QFETCH(bool, overwrite);
    WindowFixture f;
    MainWindow& w = *f.window;
    const std::string path = f.file("edit.dif");
    const std::vector<std::uint8_t> ours = DifBuilder(1).record(0x10, {1, 2, 3, 4}).bytes();
    test::writeFile(path, ours);
    f.dialogs.paths = {path};
    w.files().redDIF_Click();
    QCOMPARE(f.session.blocks().count(), 1);

    // Its own writes are no other program's change.
    for (int i = 0; i < 2; ++i) {
      f.dialogs.paths = {path};
      w.files().bdif_Click();
    }
    QVERIFY(f.messenger.shown.empty());
    QCOMPARE(readFile(path), ours);

    // A tool that keeps the size and puts the time back leaves only the bytes to tell.
    const std::vector<std::uint8_t> theirs =
        sameSizeAndTime ? DifBuilder(1).record(0x10, {9, 9, 9, 9}).bytes()
                        : DifBuilder(2).record(0x10, {1, 2, 3, 4}).record(0x40, {5}).bytes();
    const auto time = std::filesystem::last_write_time(path);
    test::writeFile(path, theirs);
    if (sameSizeAndTime) std::filesystem::last_write_time(path, time);

    f.dialogs.paths = {path};
    f.messenger.answers = {overwrite ? MessageAnswer::Yes : MessageAnswer::No};
    w.files().bdif_Click();
    QCOMPARE(f.messenger.shown.size(), std::size_t(1));
    QCOMPARE(f.messenger.shown[0].text,
             std::string("DIF файл изменён другой программой. Перезаписать?"));
    QVERIFY(f.messenger.shown[0].buttons == MessageButtons::YesNo);
    QVERIFY(f.messenger.shown[0].icon == MessageIcon::Question);
    QCOMPARE(readFile(path), overwrite ? ours : theirs);
    QVERIFY(f.session.editingDif());
    QCOMPARE(f.session.blocks().count(), 1);
  }

  void dataFileNameThatWouldCutItsLineIsRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("tab") << QString("x\tdata.bin") << true;
    QTest::newRow("line feed") << QString("x\ndata.bin") << true;
    QTest::newRow("carriage return") << QString("x\rdata.bin") << true;
    QTest::newRow("spaces and Cyrillic") << QString("x данные №1.bin") << false;
  }

  // The name up to the tab or line break names a file of other bytes, which a block written
  // from the cut line would take.
  void dataFileNameThatWouldCutItsLineIsRefused() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    WindowFixture f;
    MainWindow& w = *f.window;
    const std::string data = f.file(name.toStdString());
    const std::vector<std::uint8_t> bytes = randomBytes(0x40, 3);
    test::writeFile(data, bytes);
    test::writeFile(f.file("x"), randomBytes(0x40, 4));
    test::writeFile(f.file("p.dif"), DifBuilder(0).bytes());
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    auto* inFile = child<QLineEdit>(w, "inFile");

    f.dialogs.paths = {data};
    w.files().Command1_Click();
    QCOMPARE(inFile->text(), refused ? QString() : q(data));

    inFile->setText(q(data));
    f.blockDialogs.answerDataBlock = [](DataBlockExchange& e) {
      e.destination = 0x100;
      e.length = 0x10;
      e.offset = 0x8;
      e.accepted = true;
    };
    w.bAdd_Click();
    if (refused) {
      QCOMPARE(f.messenger.shown.size(), std::size_t(2));
      for (const ScriptedMessenger::Shown& shown : f.messenger.shown) {
        QCOMPARE(shown.text, std::string("Недопустимое имя файла данных!"));
        QVERIFY(shown.icon == MessageIcon::Stop);
      }
      QVERIFY(f.blockDialogs.titles.empty());
      QCOMPARE(f.session.blocks().count(), 0);
      return;
    }
    QVERIFY(f.messenger.shown.empty());
    QCOMPARE(f.session.blocks().count(), 1);
    f.dialogs.paths = {f.file("out.dif")};
    w.files().bdif_Click();
    const std::vector<std::uint8_t> dif = readFile(f.file("out.dif"));
    QCOMPARE(dif.size(), std::size_t(32 + 16 + 0x10));
    QVERIFY(std::equal(dif.end() - 0x10, dif.end(), bytes.begin() + 8));
  }

  void blockInsertionRewritesTheDifInPlace() {
    WindowFixture f;
    test::writeFile(f.file("patch.dif"),
                    std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
    std::vector<std::uint8_t> data(0x40);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    test::writeFile(f.file("data.bin"), data);
    CommandLine command = parseCommandLine(
        f.file("patch.dif") + " <1A0000:10:20> " + f.file("data.bin"), realFileSystem());
    std::optional<int> status = runCommandLine(*f.window, command);
    QVERIFY(status);
    QCOMPARE(*status, 0);
    std::vector<std::uint8_t> dif = readFile(f.file("patch.dif"));
    QCOMPARE(dif.size(), std::size_t(32 + 16 + 0x20));
    QCOMPARE(dif[28], std::uint8_t(1));
    QCOMPARE(dif[44], std::uint8_t(0x00));
    QCOMPARE(dif[46], std::uint8_t(0x1A));
    QCOMPARE(dif[48], std::uint8_t(0x10));
    QCOMPARE(dif[48 + 0x1F], std::uint8_t(0x2F));
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::DifCommandsTest)
#include "dif_commands_test.moc"
