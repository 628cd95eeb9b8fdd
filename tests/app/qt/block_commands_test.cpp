#include "blocks/block_line.h"
#include "blocks/qt/block_list_view.h"
#include "support/window_fixture.h"

#include <functional>

#include <QLabel>
#include <QtTest>

namespace hm::test {

namespace {

// A window whose list holds these normal-mode lines, found by a search over a 0x1000-byte target.
void fill(WindowFixture& f, const std::vector<std::string>& lines) {
  std::vector<std::uint8_t> source(0x1000, 0), target(0x1000, 0);
  for (const std::string& line : lines) {
    BlockSpan span = readBlockSpan(line);
    for (std::int32_t a = span.start; a <= span.end; ++a) target[a] = 1;
  }
  writeFile(f.file("s.bin"), source);
  writeFile(f.file("t.bin"), target);
  f.window->files().inFile_Change();
  f.dialogs.paths = {f.file("s.bin"), f.file("t.bin")};
  f.window->files().Command1_Click();
  f.window->files().Command2_Click();
  f.window->bSer_Click();
}

std::vector<std::string> lines(WindowFixture& f) {
  std::vector<std::string> out;
  for (int i = 0; i < f.session.blocks().count(); ++i) out.emplace_back(f.session.blocks().text(i));
  return out;
}

void select(WindowFixture& f, std::initializer_list<int> rows) {
  f.session.blocks().clearSelection();
  for (int r : rows) f.session.blocks().setSelected(r, true);
}

const std::vector<std::string> kFive = {"000010\t000012\t03\t0D\t", "000020\t000022\t03\t0D\t",
                                        "000030\t000032\t03\t0D\t", "000040\t000042\t03\t0D\t",
                                        "000050\t000052\t03\t00\t"};

}  // namespace

}  // namespace hm::test

Q_DECLARE_METATYPE(std::function<void(hm::test::WindowFixture&)>)

namespace hm::test {

class BlockCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void mergeJoinsNeighboursAcrossTheirGap() {
    WindowFixture f;
    fill(f, kFive);
    select(f, {2, 3});
    f.window->bSplit_Click();
    QCOMPARE(f.messenger.shown.back().text,
             std::string("Вы действительно хотите объединить выделенные блоки?"));
    QCOMPARE(f.messenger.shown.back().icon, MessageIcon::Question);
    QCOMPARE(lines(f),
             (std::vector<std::string>{kFive[0], "000020\t000022\t03\t0D\t",
                                       "000030\t000042\t13\t0D\t", "000050\t000052\t03\t00\t"}));
  }

  void mergeRefusals() {
    WindowFixture f;
    fill(f, kFive);
    select(f, {1});
    f.window->bSplit_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Нужно выделить не менее 2 соседних блоков!"));
    QCOMPARE(f.messenger.shown.back().icon, MessageIcon::Exclamation);
    select(f, {0, 1, 3});
    f.window->bSplit_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Объединять можно только соседние блоки!"));
    QCOMPARE(f.messenger.shown.back().icon, MessageIcon::None);
    QCOMPARE(lines(f), kFive);
    QCOMPARE(f.session.blocks().selCount(), 3);
  }

  void cancelledConfirmationsChangeNothing() {
    WindowFixture f;
    fill(f, kFive);
    select(f, {0, 1});
    f.messenger.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel};
    f.window->bSplit_Click();
    f.window->bDel_Click();
    QCOMPARE(lines(f), kFive);
    QCOMPARE(f.session.blocks().selCount(), 2);
  }

  void deleteRemovesExactlyTheSelection() {
    WindowFixture f;
    fill(f, kFive);
    select(f, {0, 2, 4});
    f.window->bDel_Click();
    QCOMPARE(lines(f),
             (std::vector<std::string>{"000020\t000022\t03\t1D\t", "000040\t000042\t03\t00\t"}));
    QCOMPARE(child<QLabel>(*f.window, "lStat")->text(), QString("Кол-во байтов: 6;    Блоков: 2"));
    f.session.blocks().clearSelection();
    f.window->bDel_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Нужно выделить блоки!"));
  }

  void doubleClickHandsTheFreeRoomToTheDialog() {
    WindowFixture f;
    fill(f, kFive);
    f.session.blocks().setCaret(0);
    f.window->Lst1_DblClick();
    QCOMPARE(f.blockDialogs.titles.back(), std::string("Изменение адресов блока"));
    AddressExchange first = f.blockDialogs.seenAddresses.back();
    QCOMPARE(first.blockStart, 0x10);
    QCOMPARE(first.blockEnd, 0x12);
    QCOMPARE(first.lowLimit, 0);
    QCOMPARE(first.highLimit, 0x1F);
    QVERIFY(!first.accepted);
  }

  void doubleClickWritesTheNewAddressesBack() {
    WindowFixture f;
    fill(f, kFive);
    f.session.blocks().setCaret(1);
    f.blockDialogs.answerAddresses = [](AddressExchange& e) {
      e.blockEnd = 0x2E;
      e.accepted = true;
    };
    f.window->Lst1_DblClick();
    QCOMPARE(lines(f)[1], std::string("000020\t00002E\t0F\t01\t"));
    QCOMPARE(f.session.blocks().count(), 5);
  }

  void unchangedAnswerDoesNotRegroup() {
    WindowFixture f;
    f.session.blocks().add("000010\t000012\t03\t99\t");
    f.session.blocks().setCaret(0);
    f.blockDialogs.answerAddresses = [](AddressExchange& e) { e.accepted = true; };
    f.window->Lst1_DblClick();
    // reCalc would have rewritten the distance.
    QCOMPARE(lines(f)[0], std::string("000010\t000012\t03\t99\t"));
  }

  void addPutsTheBlockInItsPlace() {
    WindowFixture f;
    fill(f, {"000010\t000012\t03\t02ED\t", "000300\t000302\t03\t00\t"});
    f.blockDialogs.answerAddresses = [](AddressExchange& e) {
      e.blockStart = 0x100;
      e.blockEnd = 0x1FF;
      e.accepted = true;
    };
    f.window->bAdd_Click();
    QCOMPARE(f.blockDialogs.titles.back(), std::string("Добавление нового блока"));
    QCOMPARE(lines(f),
             (std::vector<std::string>{"000010\t000012\t03\tED\t", "000100\t0001FF\t0100\t0100\t",
                                       "000300\t000302\t03\t00\t"}));
  }

  // The selection and the caret stay with their blocks through every edit; a line made of
  // several is selected when one of them was.
  void selectionAndCaretSurviveAnEdit_data() {
    QTest::addColumn<std::function<void(WindowFixture&)>>("edit");
    QTest::addColumn<std::vector<int>>("selectedBefore");
    QTest::addColumn<int>("caretBefore");
    QTest::addColumn<std::vector<int>>("selectedAfter");
    QTest::addColumn<int>("caretAfter");
    using Edit = std::function<void(WindowFixture&)>;
    auto addBlock = [](std::int32_t start, std::int32_t end) {
      return Edit([start, end](WindowFixture& f) {
        f.blockDialogs.answerAddresses = [start, end](AddressExchange& e) {
          e.blockStart = start;
          e.blockEnd = end;
          e.accepted = true;
        };
        f.window->bAdd_Click();
      });
    };
    QTest::newRow("delete") << Edit([](WindowFixture& f) { f.window->bDel_Click(); })
                            << std::vector<int>{1} << 1 << std::vector<int>{} << 1;
    QTest::newRow("merge") << Edit([](WindowFixture& f) { f.window->bSplit_Click(); })
                           << std::vector<int>{2, 3} << 3 << std::vector<int>{2} << 2;
    QTest::newRow("re-address") << Edit([](WindowFixture& f) {
      f.blockDialogs.answerAddresses = [](AddressExchange& e) {
        e.blockEnd = 0x2E;
        e.accepted = true;
      };
      f.window->Lst1_DblClick();
    }) << std::vector<int>{1, 4} << 1
                                << std::vector<int>{1, 4} << 1;
    QTest::newRow("add after the last")
        << addBlock(0x60, 0x62) << std::vector<int>{0, 4} << 4 << std::vector<int>{0, 4} << 4;
    QTest::newRow("add joining two")
        << addBlock(0x23, 0x2F) << std::vector<int>{2, 4} << 2 << std::vector<int>{1, 3} << 1;
  }

  void selectionAndCaretSurviveAnEdit() {
    QFETCH(std::function<void(WindowFixture&)>, edit);
    QFETCH(std::vector<int>, selectedBefore);
    QFETCH(int, caretBefore);
    QFETCH(std::vector<int>, selectedAfter);
    QFETCH(int, caretAfter);
    WindowFixture f;
    fill(f, kFive);
    listView(*f.window)->selectRows(selectedBefore, caretBefore);
    const int before = f.session.blocks().count();
    edit(f);
    QVERIFY(f.session.blocks().count() != before || lines(f) != kFive);
    std::vector<int> selected;
    for (int i = 0; i < f.session.blocks().count(); ++i) {
      if (f.session.blocks().isSelected(i)) selected.push_back(i);
    }
    QCOMPARE(selected, selectedAfter);
    QCOMPARE(f.session.blocks().caret(), caretAfter);
  }

  void addingWithoutADataFileSaysSo() {
    WindowFixture f;
    test::writeFile(f.file("e.dif"), std::string("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\0\0\0\0", 32));
    f.dialogs.paths = {f.file("e.dif")};
    f.window->files().redDIF_Click();
    f.window->bAdd_Click();
    QCOMPARE(f.messenger.lastText(), std::string("Не выбран файл данных!"));
    QVERIFY(f.blockDialogs.titles.empty());
  }
};

}  // namespace hm::test

QTEST_MAIN(hm::test::BlockCommandsTest)
#include "block_commands_test.moc"
