#include "app/command_line.h"
#include "blocks/qt/block_list_view.h"
#include "blocks/qt/tab_stop_fields.h"
#include "blocks/tab_stops.h"
#include "platform/settings.h"
#include "support/dif_builder.h"
#include "support/window_fixture.h"

#include <random>

#include <QHeaderView>
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
  void commandLineDifIsAppliedWithTheLaterDialogsReal() {
    WindowFixture f;
    test::writeFile(f.file("bin.bin"), std::vector<std::uint8_t>(4, 0));
    test::writeFile(f.file("p.dif"), std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
    CommandLine command;
    command.form = CommandForm::DifFile;
    command.difPath = f.file("p.dif");
    f.dialogs.paths = {f.file("bin.bin"), f.file("out.bin")};
    QVERIFY(!runCommandLine(*f.window, command));
    waitIdle(f.session);
    // Only the BIN and the output were asked for.
    QCOMPARE(f.dialogs.requests.size(), std::size_t(2));
    QCOMPARE(f.dialogs.requests[0].title, std::string("Выберите Исходный BIN Файл"));
    QCOMPARE(readFile(f.file("out.bin")), std::vector<std::uint8_t>(4, 0));
    // The line's DIF served that apply only: the next one asks for its DIF again.
    f.window->files().AppDif_Click();
    waitIdle(f.session);
    QCOMPARE(f.dialogs.requests.size(), std::size_t(3));
    QVERIFY(f.dialogs.requests[2].title != f.dialogs.requests[0].title);
  }

  // The mode goes on whatever the DIF turns out to be, and the window says so: the DIF's
  // columns and the editing layout until F5 leaves it. The columns stay after that.
  void openingADifShowsTheEditingLayout_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("unreadable") << 0;
    QTest::newRow("invalid") << 1;
    QTest::newRow("valid") << 2;
  }

  void openingADifShowsTheEditingLayout() {
    QFETCH(int, kind);
    WindowFixture f;
    MainWindow& w = *f.window;
    if (kind == 1) test::writeFile(f.file("p.dif"), std::string("not a DIF at all, too short"));
    if (kind == 2) test::writeFile(f.file("p.dif"), DifBuilder(1).record(0x10, {1, 2}).bytes());
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    waitIdle(f.session);
    QVERIFY(f.session.editingDif());
    QCOMPARE(header(w)->count(), 6);
    QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString("Файл данных"));
    QVERIFY(child<QLineEdit>(w, "outFile")->isHidden());
    QVERIFY(!child<QScrollBar>(w, "byteWith")->isEnabled());

    test::writeFile(f.file("a.bin"), std::vector<std::uint8_t>{1});
    f.dialogs.paths = {f.file("a.bin")};
    w.files().opOrig_Click();
    QVERIFY(!f.session.editingDif());
    QCOMPARE(child<QLineEdit>(w, "inFile")->text(), q(f.file("a.bin")));
    QCOMPARE(child<QPushButton>(w, "Command1")->text(), QString("Исходный BIN"));
    QVERIFY(!child<QLineEdit>(w, "outFile")->isHidden());
    QCOMPARE(header(w)->count(), 6);
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
        waitIdle(f.session);
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

  void dataFileButtonRefusesANameThatWouldCutItsLine_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("tab") << QString("x\tdata.bin") << true;
    QTest::newRow("line feed") << QString("x\ndata.bin") << true;
    QTest::newRow("carriage return") << QString("x\rdata.bin") << true;
    QTest::newRow("spaces and Cyrillic") << QString("x данные №1.bin") << false;
  }

  // The name up to the tab or line break names a file of other bytes, which a block written
  // from the cut line would take: such a name never reaches the box.
  void dataFileButtonRefusesANameThatWouldCutItsLine() {
    QFETCH(QString, name);
    QFETCH(bool, refused);
    WindowFixture f;
    MainWindow& w = *f.window;
    const std::string data = f.file(name.toStdString());
    test::writeFile(data, randomBytes(0x40, 3));
    test::writeFile(f.file("x"), randomBytes(0x40, 4));
    test::writeFile(f.file("p.dif"), DifBuilder(0).bytes());
    f.dialogs.paths = {f.file("p.dif")};
    w.files().redDIF_Click();
    waitIdle(f.session);

    f.dialogs.paths = {data};
    w.files().Command1_Click();
    QCOMPARE(child<QLineEdit>(w, "inFile")->text(), refused ? QString() : q(data));
    if (!refused) {
      QVERIFY(f.messenger.shown.empty());
      return;
    }
    QCOMPARE(f.messenger.shown.size(), std::size_t(1));
    QCOMPARE(f.messenger.shown[0].text, std::string("Недопустимое имя файла данных!"));
    QVERIFY(f.messenger.shown[0].icon == MessageIcon::Stop);
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
