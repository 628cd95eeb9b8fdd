#include "app/dif_file_commands.h"

#include "app/control_state.h"
#include "support/command_fixture.h"
#include "support/dif_builder.h"

#include <ostream>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

Bytes randomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<std::uint8_t>(rng());
  return v;
}

// A device or a FIFO under one name, as the real file system tells it.
class FileSystemWithAPipe : public MemoryFileSystem {
 public:
  std::optional<FileInfo> stat(const std::string& path) override {
    if (path == "pipe") return FileInfo{};
    return MemoryFileSystem::stat(path);
  }
};

class DifFileCommandsTest : public testing::Test, public CommandFixture {};

TEST_F(DifFileCommandsTest, WritesThePairThatPatchesAndUndoes) {
  const Bytes source = randomBytes(5000, 1);
  Bytes target = source;
  std::mt19937 rng(2);
  for (int i = 0; i < 60; ++i) target[rng() % target.size()] ^= 0x5A;
  ASSERT_TRUE(searchPair(source, target));
  ASSERT_GT(session.blocks().count(), 0);

  session.setBackupWanted(true);
  statuses.texts.clear();
  dialogs.paths = {"patch"};
  ASSERT_TRUE(writeDif());
  EXPECT_EQ(dialogs.requests.back().title, "Выберите Новый DIF Файл");
  EXPECT_EQ(statuses.texts,
            (std::vector<std::string>{"Запись DIF файла...", "DIF файл успешно создан!"}));
  ASSERT_TRUE(fs.files.count("patch.DIF"));
  ASSERT_TRUE(fs.files.count("patch.DIF_bak.dif"));

  dialogs.paths = {"patch.DIF", "s.bin", "patched.bin"};
  EXPECT_EQ(applyDif(), ApplyEnd::Applied);
  EXPECT_EQ(messenger.lastText(), "DIF файл успешно установлен!");
  EXPECT_EQ(fs.files["patched.bin"], target);

  dialogs.paths = {"patch.DIF_bak.dif", "patched.bin", "undone.bin"};
  EXPECT_EQ(applyDif(), ApplyEnd::Applied);
  EXPECT_EQ(fs.files["undone.bin"], source);
}

// The DIF and its backup are written as one pair, and never over a device or a FIFO.
TEST(WritingADif, WhatCannotBeWrittenWholeLeavesEveryFile) {
  FileSystemWithAPipe fs;
  ScriptedMessenger messenger;
  Session session(fs);
  fs.files["s.bin"] = randomBytes(300, 3);
  fs.files["t.bin"] = randomBytes(300, 4);
  session.setInFile("s.bin");
  session.setOutFile("t.bin");
  ManualClock clock;
  ASSERT_TRUE(session.search(clock, [](std::uint64_t) { return true; }));
  session.regroup(8);
  session.recalculate();
  session.setBackupWanted(true);
  session.say("the totals");

  const Bytes old = {'o', 'l', 'd'};
  fs.files["old.dif"] = old;
  fs.folders.insert("old.dif_bak.dif");
  EXPECT_FALSE(writeDifCommand(session, messenger, "old.dif", std::chrono::milliseconds(0)));
  EXPECT_EQ(messenger.lastText(), "Ошибка записи DIF файла");
  EXPECT_EQ(messenger.shown.back().icon, MessageIcon::Stop);
  EXPECT_EQ(fs.files["old.dif"], old);
  EXPECT_EQ(session.status(), "the totals");

  messenger.shown.clear();
  EXPECT_FALSE(writeDifCommand(session, messenger, "pipe", std::chrono::milliseconds(0)));
  EXPECT_EQ(messenger.lastText(), "Ошибка записи DIF файла");
  EXPECT_FALSE(fs.files.count("pipe.dif"));
  EXPECT_FALSE(fs.files.count("pipe"));
}

// A block that cannot be written is named with why, and the status line stays true.
TEST_F(DifFileCommandsTest, ABlockThatCannotBeWrittenIsNamed) {
  ASSERT_TRUE(searchPair(randomBytes(0x1020, 5), randomBytes(0x1020, 6)));
  const std::string totals = session.status();
  session.blocks().add("002000\t002010\t");
  listJobs.recalculate();
  const std::string status = session.status();
  ASSERT_NE(status, totals);
  dialogs.paths = {"out"};
  EXPECT_FALSE(writeDif());
  EXPECT_EQ(messenger.lastText(),
            "Ошибка записи DIF файла\n\nБлок 002000–002010 выходит за конец конечного файла.");
  EXPECT_EQ(session.status(), status);
  EXPECT_FALSE(fs.files.count("out.dif"));
}

struct OverwriteCase {
  const char* name;
  bool sameSize;  // and, in memory, the same time: only the bytes tell
  bool overwrite;
};

void PrintTo(const OverwriteCase& c, std::ostream* os) {
  *os << c.name;
}

class SavingOverTheEditedDif : public testing::TestWithParam<OverwriteCase>,
                               public CommandFixture {};

TEST_P(SavingOverTheEditedDif, AsksOnceAnotherProgramChangedIt) {
  const OverwriteCase& c = GetParam();
  const Bytes ours = DifBuilder(1).record(0x10, {1, 2, 3, 4}).bytes();
  fs.files["edit.dif"] = ours;
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "edit.dif"));
  ASSERT_EQ(session.blocks().count(), 1);

  // Its own writes are no other program's change.
  for (int i = 0; i < 2; ++i) {
    dialogs.paths = {"edit.dif"};
    ASSERT_TRUE(writeDif());
  }
  EXPECT_TRUE(messenger.shown.empty());
  EXPECT_EQ(fs.files["edit.dif"], ours);

  const Bytes theirs = c.sameSize
                           ? DifBuilder(1).record(0x10, {9, 9, 9, 9}).bytes()
                           : DifBuilder(2).record(0x10, {1, 2, 3, 4}).record(0x40, {5}).bytes();
  fs.files["edit.dif"] = theirs;
  dialogs.paths = {"edit.dif"};
  messenger.answers = {c.overwrite ? MessageAnswer::Yes : MessageAnswer::No};
  EXPECT_EQ(writeDif(), c.overwrite);
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, "DIF файл изменён другой программой. Перезаписать?");
  EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(fs.files["edit.dif"], c.overwrite ? ours : theirs);
  EXPECT_TRUE(session.editingDif());
  EXPECT_EQ(session.blocks().count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Changes, SavingOverTheEditedDif,
                         testing::Values(OverwriteCase{"ResizedYes", false, true},
                                         OverwriteCase{"ResizedNo", false, false},
                                         OverwriteCase{"SameSizeYes", true, true},
                                         OverwriteCase{"SameSizeNo", true, false}),
                         [](const testing::TestParamInfo<OverwriteCase>& info) {
                           return std::string(info.param.name);
                         });

// The mode stays on after a DIF that cannot be used, with no line whose bytes are nowhere.
TEST_F(DifFileCommandsTest, AFailedOpeningKeepsTheModeWithAnEmptyList) {
  std::string third("SPFDSGHA <=HEXMARSHAL=> \0\0\0\0\3\0\0\0", 32);
  for (int i = 0; i < 2; ++i)
    third += std::string("FBLKNORD\5\0\0\0", 12) + char(i) + std::string("\0\0\0", 3) + "x";
  third += std::string("XXXXXXXX\5\0\0\0\7\0\0\0y", 17);
  fs.files["third.dif"] = Bytes(third.begin(), third.end());
  const std::string shortFile = "not a DIF at all, too short";
  fs.files["short.dif"] = Bytes(shortFile.begin(), shortFile.end());
  const std::pair<const char*, const char*> failures[] = {{"missing.dif", "Ошибка открытия файла!"},
                                                          {"short.dif", "Неверный DIF файл!"},
                                                          {"third.dif", "Неверный DIF файл!"}};
  for (const auto& [path, message] : failures) {
    SCOPED_TRACE(path);
    session.setEditingDif(false);
    session.blocks().add("000001\t000002\t2\t0\t");
    messenger.shown.clear();
    EXPECT_FALSE(openDifCommand(session, listJobs, messenger, path));
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, message);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(session.editingDif());
    EXPECT_EQ(session.blocks().count(), 0);
    EXPECT_TRUE(session.difBytes().empty());
  }
}

// Opening empties the data file's box, so a block is added only once a data file is named; the
// target stays named but no search runs over an edited DIF.
TEST_F(DifFileCommandsTest, OpeningListsTheBlocksAndWaitsForADataFile) {
  fs.files["a.bin"] = {1, 2, 3};
  fs.files["b.bin"] = {1, 9, 3};
  session.setInFile("a.bin");
  session.setOutFile("b.bin");
  fs.files["p.dif"] = DifBuilder(1).record(0x10, {0, 1, 2, 3}).bytes();
  statuses.texts.clear();
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "p.dif"));
  EXPECT_TRUE(session.editingDif());
  EXPECT_EQ(session.inFile(), "");
  EXPECT_EQ(session.outFile(), "b.bin");
  EXPECT_EQ(lines(), std::vector<std::string>{"000010\t000013\t04\t00\t00\t"});
  EXPECT_EQ(statuses.texts, (std::vector<std::string>{"Чтение данных о блоках...",
                                                      "Кол-во байтов: 4;    Блоков: 1"}));
  ControlState state = controlState(session);
  EXPECT_FALSE(state.add);
  EXPECT_FALSE(state.search);
  EXPECT_TRUE(state.remove);

  session.setInFile("a.bin");
  EXPECT_TRUE(controlState(session).add);
}

TEST_F(DifFileCommandsTest, AnEditedDifTakesBlocksFromTwoDataFiles) {
  Bytes base(64, 0);
  Bytes target = base;
  for (int i = 8; i < 12; ++i) target[i] = 0xAA;
  ASSERT_TRUE(searchPair(base, target));
  dialogs.paths = {"first.dif"};
  ASSERT_TRUE(writeDif());

  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "first.dif"));
  EXPECT_EQ(lines(), std::vector<std::string>{"000008\t00000B\t04\t00\t00\t"});

  fs.files["one.dat"] = {1, 2, 3, 4, 5, 6, 7, 8};
  fs.files["two.dat"] = {9, 9, 9, 9};
  session.setInFile("one.dat");
  editor.answerDataBlock = [](DataBlockExchange& e) {
    e.destination = 0x20;
    e.length = 3;
    e.offset = 2;
    e.accepted = true;
  };
  blockCommands.addBlock();
  EXPECT_EQ(editor.titles.back(), "Добавление блока из файла данных");
  EXPECT_EQ(editor.seenDataBlocks.back().dataFileLength, 8);
  EXPECT_EQ(editor.seenDataBlocks.back().length, 8);
  session.setInFile("two.dat");
  editor.answerDataBlock = [](DataBlockExchange& e) {
    e.destination = 0x30;
    e.length = 2;
    e.offset = 0;
    e.accepted = true;
  };
  blockCommands.addBlock();
  ASSERT_EQ(session.blocks().count(), 3);
  EXPECT_EQ(lines()[1], "000020\t000022\t03\t0D\t02\tone.dat");

  // No backup of an edited DIF, whatever the choice says.
  session.setBackupWanted(true);
  dialogs.paths = {"second.dif"};
  ASSERT_TRUE(writeDif());
  EXPECT_EQ(session.status(), "DIF файл успешно создан!");
  EXPECT_FALSE(fs.files.count("second.dif_bak.dif"));

  fs.files["zero.bin"] = Bytes(16, 0);
  dialogs.paths = {"second.dif", "zero.bin", "out.bin"};
  EXPECT_EQ(applyDif(), ApplyEnd::Applied);
  const Bytes& out = fs.files["out.bin"];
  ASSERT_EQ(out.size(), 0x32u);
  EXPECT_EQ(out[8], 0xAA);
  EXPECT_EQ(out[0x20], 3);
  EXPECT_EQ(out[0x22], 5);
  EXPECT_EQ(out[0x31], 9);
}

}  // namespace
}  // namespace hm::test
