#include "app/block_commands.h"

#include "app/dif_file_commands.h"
#include "blocks/block_line.h"
#include "support/command_fixture.h"
#include "support/dif_builder.h"

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

const std::vector<std::string> kFive = {"000010\t000012\t03\t0D\t", "000020\t000022\t03\t0D\t",
                                        "000030\t000032\t03\t0D\t", "000040\t000042\t03\t0D\t",
                                        "000050\t000052\t03\t00\t"};

Bytes randomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// A session whose list holds these normal-mode lines, found by a search over a 0x1000-byte
// target.
struct BlockFixture : CommandFixture {
  void fill(const std::vector<std::string>& wanted) {
    Bytes source(0x1000, 0), target(0x1000, 0);
    for (const std::string& line : wanted) {
      BlockSpan span = readBlockSpan(line);
      for (std::int32_t a = span.start; a <= span.end; ++a) target[a] = 1;
    }
    ASSERT_TRUE(searchPair(source, target));
    ASSERT_EQ(lines(), wanted);
  }

  void answerAddresses(std::int32_t start, std::int32_t end) {
    editor.answerAddresses = [start, end](AddressExchange& e) {
      e.blockStart = start;
      e.blockEnd = end;
      e.accepted = true;
    };
  }
};

class BlockCommandsTest : public testing::Test, public BlockFixture {};

TEST_F(BlockCommandsTest, MergeJoinsNeighboursAcrossTheirGap) {
  fill(kFive);
  select({2, 3});
  blockCommands.mergeSelected();
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, "Вы действительно хотите объединить выделенные блоки?");
  EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(lines(),
            (std::vector<std::string>{kFive[0], kFive[1], "000030\t000042\t13\t0D\t", kFive[4]}));
}

TEST_F(BlockCommandsTest, MergeRefusesTooFewAndGaps) {
  struct Refusal {
    std::vector<int> rows;
    const char* text;
    MessageIcon icon;
  };
  const Refusal refusals[] = {
      {{1}, "Нужно выделить не менее 2 соседних блоков!", MessageIcon::Exclamation},
      {{0, 1, 3}, "Объединять можно только соседние блоки!", MessageIcon::None}};
  fill(kFive);
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.text);
    messenger.shown.clear();
    session.blocks().clearSelection();
    for (int row : r.rows) session.blocks().setSelected(row, true);
    blockCommands.mergeSelected();
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, r.text);
    EXPECT_EQ(messenger.shown[0].icon, r.icon);
    EXPECT_EQ(lines(), kFive);
    EXPECT_EQ(session.blocks().selCount(), static_cast<int>(r.rows.size()));
  }
}

TEST_F(BlockCommandsTest, CancelledConfirmationsChangeNothing) {
  fill(kFive);
  select({0, 1});
  messenger.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel};
  blockCommands.mergeSelected();
  blockCommands.deleteSelected();
  EXPECT_EQ(messenger.shown.size(), 2u);
  EXPECT_EQ(lines(), kFive);
  EXPECT_EQ(session.blocks().selCount(), 2);
}

TEST_F(BlockCommandsTest, DeleteRemovesExactlyTheSelection) {
  fill(kFive);
  select({0, 2, 4});
  blockCommands.deleteSelected();
  EXPECT_EQ(messenger.lastText(), "Вы действительно хотите удалить выделенные блоки?");
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"000020\t000022\t03\t1D\t", "000040\t000042\t03\t00\t"}));
  EXPECT_EQ(session.status(), "Кол-во байтов: 6;    Блоков: 2");

  session.blocks().clearSelection();
  blockCommands.deleteSelected();
  EXPECT_EQ(messenger.lastText(), "Нужно выделить блоки!");
  EXPECT_EQ(messenger.shown.back().icon, MessageIcon::Exclamation);
  EXPECT_EQ(session.blocks().count(), 2);
}

TEST_F(BlockCommandsTest, EditingTheCaretLineHandsTheFreeRoomToTheDialog) {
  fill(kFive);
  session.blocks().setCaret(0);
  blockCommands.editCaretLine();
  ASSERT_EQ(editor.titles, std::vector<std::string>{"Изменение адресов блока"});
  const AddressExchange& first = editor.seenAddresses.back();
  EXPECT_EQ(first.blockStart, 0x10);
  EXPECT_EQ(first.blockEnd, 0x12);
  EXPECT_EQ(first.lowLimit, 0);
  EXPECT_EQ(first.highLimit, 0x1F);
  EXPECT_FALSE(first.accepted);
  EXPECT_FALSE(editor.lastDifEdit);
  // Not accepted: the line stays as it was.
  EXPECT_EQ(lines(), kFive);
}

TEST_F(BlockCommandsTest, EditingTheCaretLineWritesTheNewAddressesBack) {
  fill(kFive);
  session.blocks().setCaret(1);
  editor.answerAddresses = [](AddressExchange& e) {
    e.blockEnd = 0x2E;
    e.accepted = true;
  };
  blockCommands.editCaretLine();
  EXPECT_EQ(lines()[1], "000020\t00002E\t0F\t01\t");
  EXPECT_EQ(session.blocks().count(), 5);
}

TEST_F(BlockCommandsTest, AnUnchangedAnswerDoesNotRegroup) {
  session.blocks().add("000010\t000012\t03\t99\t");
  session.blocks().setCaret(0);
  editor.answerAddresses = [](AddressExchange& e) { e.accepted = true; };
  blockCommands.editCaretLine();
  // The recalculation would have rewritten the distance.
  EXPECT_EQ(lines()[0], "000010\t000012\t03\t99\t");
}

TEST_F(BlockCommandsTest, AddPutsTheBlockInItsPlace) {
  fill({"000010\t000012\t03\t02ED\t", "000300\t000302\t03\t00\t"});
  answerAddresses(0x100, 0x1FF);
  blockCommands.addBlock();
  EXPECT_EQ(editor.titles.back(), "Добавление нового блока");
  EXPECT_EQ(lines(),
            (std::vector<std::string>{"000010\t000012\t03\tED\t", "000100\t0001FF\t0100\t0100\t",
                                      "000300\t000302\t03\t00\t"}));
}

TEST_F(BlockCommandsTest, AddingWithoutADataFileSaysSo) {
  fs.files["e.dif"] = DifBuilder(0).bytes();
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "e.dif"));
  blockCommands.addBlock();
  EXPECT_EQ(messenger.lastText(), "Не выбран файл данных!");
  EXPECT_EQ(messenger.shown.back().icon, MessageIcon::Exclamation);
  EXPECT_TRUE(editor.titles.empty());
}

// The selection and the caret stay with their blocks through every edit; a line made of several
// is selected when one of them was.
struct EditCase {
  const char* name;
  std::function<void(BlockFixture&)> edit;
  std::vector<int> selectedBefore;
  int caretBefore;
  std::vector<int> selectedAfter;
  int caretAfter;
};

void PrintTo(const EditCase& c, std::ostream* os) {
  *os << c.name;
}

class SelectionThroughAnEdit : public testing::TestWithParam<EditCase>, public BlockFixture {};

TEST_P(SelectionThroughAnEdit, StaysWithItsBlocks) {
  const EditCase& c = GetParam();
  fill(kFive);
  select({});
  for (int row : c.selectedBefore) session.blocks().setSelected(row, true);
  session.blocks().setCaret(c.caretBefore);
  c.edit(*this);
  ASSERT_NE(lines(), kFive);
  std::vector<int> selected;
  for (int i = 0; i < session.blocks().count(); ++i) {
    if (session.blocks().isSelected(i)) selected.push_back(i);
  }
  EXPECT_EQ(selected, c.selectedAfter);
  EXPECT_EQ(session.blocks().caret(), c.caretAfter);
}

void add(BlockFixture& f, std::int32_t start, std::int32_t end) {
  f.answerAddresses(start, end);
  f.blockCommands.addBlock();
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SelectionThroughAnEdit,
    testing::Values(
        EditCase{
            "Delete", [](BlockFixture& f) { f.blockCommands.deleteSelected(); }, {1}, 1, {}, 1},
        EditCase{
            "Merge", [](BlockFixture& f) { f.blockCommands.mergeSelected(); }, {2, 3}, 3, {2}, 2},
        EditCase{"ReAddress",
                 [](BlockFixture& f) {
                   f.editor.answerAddresses = [](AddressExchange& e) {
                     e.blockEnd = 0x2E;
                     e.accepted = true;
                   };
                   f.blockCommands.editCaretLine();
                 },
                 {1, 4},
                 1,
                 {1, 4},
                 1},
        EditCase{
            "AddAfterTheLast", [](BlockFixture& f) { add(f, 0x60, 0x62); }, {0, 4}, 4, {0, 4}, 4},
        EditCase{
            "AddJoiningTwo", [](BlockFixture& f) { add(f, 0x23, 0x2F); }, {2, 4}, 2, {1, 3}, 1}),
    [](const testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

// A name with a tab or a line break would be cut where the line is read back, and the rest would
// name a file of other bytes; a data file that is not there has no length to offer.
struct DataFileCase {
  const char* name;
  const char* path;
  bool exists;
  const char* refusal;  // null: the block is added
};

void PrintTo(const DataFileCase& c, std::ostream* os) {
  *os << c.name;
}

class DataFileForABlock : public testing::TestWithParam<DataFileCase>, public BlockFixture {};

TEST_P(DataFileForABlock, IsRefusedOrGivesItsBytes) {
  const DataFileCase& c = GetParam();
  const Bytes bytes = randomBytes(0x40, 3);
  if (c.exists) fs.files[c.path] = bytes;
  fs.files["x"] = randomBytes(0x40, 4);
  fs.files["p.dif"] = DifBuilder(0).bytes();
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "p.dif"));
  session.setInFile(c.path);
  editor.answerDataBlock = [](DataBlockExchange& e) {
    e.destination = 0x100;
    e.length = 0x10;
    e.offset = 0x8;
    e.accepted = true;
  };
  blockCommands.addBlock();
  if (c.refusal) {
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, c.refusal);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(editor.titles.empty());
    EXPECT_EQ(session.blocks().count(), 0);
    return;
  }
  EXPECT_TRUE(messenger.shown.empty());
  ASSERT_EQ(session.blocks().count(), 1);
  dialogs.paths = {"out.dif"};
  ASSERT_TRUE(writeDif());
  const Bytes& dif = fs.files["out.dif"];
  ASSERT_EQ(dif.size(), 32u + 16 + 0x10);
  EXPECT_TRUE(std::equal(dif.end() - 0x10, dif.end(), bytes.begin() + 8));
}

INSTANTIATE_TEST_SUITE_P(
    Names, DataFileForABlock,
    testing::Values(DataFileCase{"Tab", "x\tdata.bin", true, "Недопустимое имя файла данных!"},
                    DataFileCase{"LineFeed", "x\ndata.bin", true, "Недопустимое имя файла данных!"},
                    DataFileCase{"CarriageReturn", "x\rdata.bin", true,
                                 "Недопустимое имя файла данных!"},
                    DataFileCase{"Missing", "gone.bin", false, "Ошибка открытия файла!"},
                    DataFileCase{"SpacesAndCyrillic", "x данные №1.bin", true, nullptr}),
    [](const testing::TestParamInfo<DataFileCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm::test
