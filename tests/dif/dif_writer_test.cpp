#include "dif/dif_writer.h"

#include "blocks/block_line.h"
#include "support/dif_builder.h"
#include "support/fault_file_system.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::DifBuilder;
using test::FaultFileSystem;
using Bytes = std::vector<std::uint8_t>;

const char* const kWriteError = "Ошибка записи DIF файла";

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

void fillList(BlockList& list, std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) list.add(line);
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The write error, and after an empty line why, when a block or a data file is to blame.
void expectError(const Status& status, ErrorCode code, const std::string& why = "") {
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.error().code, code);
  EXPECT_EQ(status.error().message, why.empty() ? kWriteError : kWriteError + ("\n\n" + why));
}

class DifWriterTest : public testing::Test {
 protected:
  test::TempDir dir_;
  FaultFileSystem fs_;
  BlockList list_;
};

TEST_F(DifWriterTest, EmptyListGivesTheBareHeader) {
  ASSERT_TRUE(writeDif(fs_, dir_.file("e.dif"), list_, Bytes{}).ok());
  Bytes expected = concat({text("SPFDSGHA <=HEXMARSHAL=> "), {0, 0, 0, 0}, {0, 0, 0, 0}});
  EXPECT_EQ(test::readFile(dir_.file("e.dif")), expected);
}

TEST_F(DifWriterTest, OneByteBlockGivesASeventeenByteRecord) {
  fillList(list_, {"000002\t000002\t01\t00\t"});
  ASSERT_TRUE(writeDif(fs_, dir_.file("o.dif"), list_, Bytes{10, 11, 12, 13}).ok());
  Bytes expected = concat({text("SPFDSGHA <=HEXMARSHAL=> "),
                           {0, 0, 0, 0},
                           {1, 0, 0, 0},
                           text("FBLKNORD"),
                           {5, 0, 0, 0},
                           {2, 0, 0, 0},
                           {12}});
  EXPECT_EQ(test::readFile(dir_.file("o.dif")), expected);
}

TEST_F(DifWriterTest, RecordsFollowTheListAndTakeTheirLengthFromTheAddresses) {
  Bytes image(0x130);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i);
  // The length fields lie; the writer goes by start and end.
  fillList(list_, {"00012A\t00012F\t01\t00\t", "000001\t000003\tFF\t1F\t"});
  ASSERT_TRUE(writeDif(fs_, dir_.file("r.dif"), list_, image).ok());
  Bytes expected = concat({text("SPFDSGHA <=HEXMARSHAL=> "),
                           {0, 0, 0, 0},
                           {2, 0, 0, 0},
                           text("FBLKNORD"),
                           {7, 0, 0, 0},
                           {1, 0, 0, 0},
                           {1, 2, 3},
                           text("FBLKNORD"),
                           {10, 0, 0, 0},
                           {0x2A, 1, 0, 0},
                           {0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F}});
  EXPECT_EQ(test::readFile(dir_.file("r.dif")), expected);
}

TEST_F(DifWriterTest, BackupBesideTheDifHoldsTheSourceBytes) {
  fillList(list_, {"000001\t000001\t01\t00\t"});
  std::string name = difOutputName(dir_.file("patch"));
  ASSERT_TRUE(writeDif(fs_, name, list_, Bytes{0, 0xBB}).ok());
  ASSERT_TRUE(writeDif(fs_, backupDifName(name), list_, Bytes{0, 0xAA}).ok());
  EXPECT_EQ(folderEntries(dir_.path()),
            (std::vector<std::string>{"patch.dif", "patch.dif_bak.dif"}));
  EXPECT_EQ(test::readFile(dir_.file("patch.dif")).back(), 0xBB);
  EXPECT_EQ(test::readFile(dir_.file("patch.dif_bak.dif")).back(), 0xAA);
}

TEST_F(DifWriterTest, ReplacesALongerFileCompletely) {
  test::writeFile(dir_.file("x.dif"), Bytes(500, 0xEE));
  ASSERT_TRUE(writeDif(fs_, dir_.file("x.dif"), list_, Bytes{}).ok());
  EXPECT_EQ(test::readFile(dir_.file("x.dif")).size(), 32u);
}

struct NameCase {
  const char* name;
  std::string given;
  std::string written;
};

class DifOutputNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(DifOutputNameTest, AppendsTheExtensionOnlyWhenMissing) {
  EXPECT_EQ(difOutputName(GetParam().given), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DifOutputNameTest,
    testing::Values(
        NameCase{"Bare", "patch", "patch.dif"}, NameCase{"Lower", "patch.dif", "patch.dif"},
        NameCase{"Upper", "patch.DIF", "patch.DIF"}, NameCase{"Mixed", "/a/b.Dif", "/a/b.Dif"},
        NameCase{"TrailingSpacesKept", "patch.dif  ", "patch.dif  "},
        NameCase{"SpaceInsideTheTail", "patch.di f", "patch.di f.dif"},
        NameCase{"OtherExtension", "patch.bin", "patch.bin.dif"},
        NameCase{"DifNotAtTheEnd", "a.dif.bak", "a.dif.bak.dif"},
        NameCase{"NoDot", "xdif", "xdif.dif"}, NameCase{"ShorterThanTheExtension", "if", "if.dif"},
        NameCase{"Empty", "", ".dif"}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(BackupDifNameTest, AppendsToTheFullName) {
  EXPECT_EQ(backupDifName("D:/x/patch.dif"), "D:/x/patch.dif_bak.dif");
}

struct BadBlockCase {
  const char* name;
  std::string line;
  const char* why;
};

class DifWriterBadBlockTest : public testing::TestWithParam<BadBlockCase> {
 protected:
  test::TempDir dir_;
  FaultFileSystem fs_;
};

TEST_P(DifWriterBadBlockTest, RefusesTheWholeFileAndKeepsTheOldOne) {
  BlockList list;
  fillList(list, {"000000\t000001\t02\t00\t", "000004\t000005\t02\t00\t"});
  list.insert(1, GetParam().line);
  std::string path = dir_.file("old.dif");
  test::writeFile(path, text("old"));
  expectError(writeDif(fs_, path, list, Bytes(8, 1)), ErrorCode::BadBlock, GetParam().why);
  EXPECT_EQ(fs_.creates(), 0);
  EXPECT_EQ(test::readFile(path), text("old"));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DifWriterBadBlockTest,
    testing::Values(BadBlockCase{"EndAtTheImageSize", "000006\t000008\t03\t00\t",
                                 "Блок 000006–000008 выходит за конец конечного файла."},
                    BadBlockCase{"StartPastTheImage", "000010\t000010\t01\t00\t",
                                 "Блок 000010–000010 выходит за конец конечного файла."},
                    BadBlockCase{"StartAfterEnd", "000003\t000002\t00\t00\t",
                                 "Неверные адреса блока 000003–000002."},
                    BadBlockCase{"NegativeStart", "FFFFFFFF\t000002\t00\t00\t",
                                 "Неверные адреса блока FFFFFFFF–000002."},
                    BadBlockCase{"EndPastTheLargestBin", "000000\t1000000\t00\t00\t",
                                 "Неверные адреса блока 000000–01000000."}),
    [](const testing::TestParamInfo<BadBlockCase>& info) { return info.param.name; });

struct WriteFault {
  const char* name;
  bool failCreate;
  std::optional<std::size_t> writeLimit;
  bool failCommit;
};

class DifWriterFaultTest : public testing::TestWithParam<WriteFault> {
 protected:
  test::TempDir dir_;
  FaultFileSystem fs_;
};

TEST_P(DifWriterFaultTest, FailedWriteLeavesTheEarlierFileIntact) {
  fs_.failCreate = GetParam().failCreate;
  fs_.writeLimit = GetParam().writeLimit;
  fs_.failCommit = GetParam().failCommit;
  BlockList list;
  // Enough records to need more than one buffer flush.
  BlockLine line;
  line.form = LineForm::Addresses;
  for (int i = 0; i < 70000; ++i) {
    line.start = line.end = i * 2;
    list.insert(i, line.text());
  }
  std::string path = dir_.file("keep.dif");
  test::writeFile(path, text("earlier"));
  expectError(writeDif(fs_, path, list, Bytes(140000, 3)), ErrorCode::WriteFailed);
  EXPECT_EQ(test::readFile(path), text("earlier"));
  EXPECT_EQ(folderEntries(dir_.path()), std::vector<std::string>{"keep.dif"});
}

INSTANTIATE_TEST_SUITE_P(Faults, DifWriterFaultTest,
                         testing::Values(WriteFault{"Create", true, {}, false},
                                         WriteFault{"FirstWrite", false, 0, false},
                                         WriteFault{"LaterWrite", false, 1 << 20, false},
                                         WriteFault{"Commit", false, {}, true}),
                         [](const testing::TestParamInfo<WriteFault>& info) {
                           return info.param.name;
                         });

TEST_F(DifWriterTest, OutputThatIsAFolderFails) {
  std::string folder = dir_.file("sub");
  std::filesystem::create_directory(folder);
  expectError(writeDif(fs_, folder, list_, Bytes{}), ErrorCode::WriteFailed);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(folderEntries(dir_.path()), std::vector<std::string>{"sub"});
}

TEST_F(DifWriterTest, ReadOnlyFolderFails) {
  std::string folder = dir_.file("ro");
  std::filesystem::create_directory(folder);
  test::writeFile(folder + "/p.dif", text("earlier"));
  fs_.readOnlyFolders = {folder};
  expectError(writeDif(fs_, folder + "/p.dif", list_, Bytes{}), ErrorCode::WriteFailed);
  EXPECT_EQ(test::readFile(folder + "/p.dif"), text("earlier"));
  EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"p.dif"});
}

TEST_F(DifWriterTest, MissingFolderFails) {
  expectError(writeDif(fs_, dir_.file("none/p.dif"), list_, Bytes{}), ErrorCode::WriteFailed);
}

// Editing mode. The edited DIF: 8 bytes at 0x10, then 4 bytes at 0x40.
const Bytes kEdited =
    DifBuilder(2).record(0x10, {0, 1, 2, 3, 4, 5, 6, 7}).record(0x40, {8, 9, 10, 11}).bytes();

class EditedDifTest : public DifWriterTest {
 protected:
  std::string dataFile(const std::string& name, std::size_t size, std::uint8_t first) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    test::writeFile(dir_.file(name), bytes);
    return dir_.file(name);
  }

  static std::string dataLine(int start, int end, int offset, const std::string& path) {
    return BlockLine{LineForm::DifEditing, start, end, end - start + 1, 0, offset, path}.text();
  }
};

TEST_F(EditedDifTest, DifBlocksFirstThenEachDataFileOnceInOrderOfFirstUse) {
  std::string first = dataFile("first.dat", 64, 0x80);
  std::string second = dataFile("second.dat", 64, 0xC0);
  fillList(list_, {dataLine(0x08, 0x09, 2, first), dataLine(0x12, 0x14, 0, ""),
                   dataLine(0x20, 0x20, 0, second), dataLine(0x30, 0x32, 5, first),
                   dataLine(0x41, 0x43, 0, "")});
  ASSERT_TRUE(writeEditedDif(fs_, dir_.file("new.dif"), list_, kEdited).ok());
  Bytes expected = DifBuilder(5)
                       .record(0x12, {2, 3, 4})
                       .record(0x41, {9, 10, 11})
                       .record(0x08, {0x82, 0x83})
                       .record(0x30, {0x85, 0x86, 0x87})
                       .record(0x20, {0xC0})
                       .bytes();
  EXPECT_EQ(test::readFile(dir_.file("new.dif")), expected);
  EXPECT_EQ(fs_.readCount(first), 1);
  EXPECT_EQ(fs_.readCount(second), 1);
  EXPECT_EQ(fs_.totalReads(), 2);
  EXPECT_EQ(fs_.lastReadLimit(first), 8u);
}

TEST_F(EditedDifTest, PathsCompareExactly) {
  std::string lower = dataFile("d.dat", 4, 1);
  std::string upper = dataFile("D.dat", 4, 5);
  fillList(list_, {dataLine(0, 0, 0, lower), dataLine(1, 1, 0, upper), dataLine(2, 2, 1, lower)});
  ASSERT_TRUE(writeEditedDif(fs_, dir_.file("new.dif"), list_, kEdited).ok());
  Bytes expected = DifBuilder(3).record(0, {1}).record(2, {2}).record(1, {5}).bytes();
  EXPECT_EQ(test::readFile(dir_.file("new.dif")), expected);
}

TEST_F(EditedDifTest, WritingBackOverTheEditedDifIsSafe) {
  std::string path = dir_.file("same.dif");
  test::writeFile(path, kEdited);
  Bytes held = test::readFile(path);
  fillList(list_, {dataLine(0x10, 0x17, 0, ""), dataLine(0x40, 0x43, 0, "")});
  ASSERT_TRUE(writeEditedDif(fs_, path, list_, held).ok());
  EXPECT_EQ(test::readFile(path), kEdited);
}

// FFFFFF is the largest address, for a block of the edited DIF and one from a data file alike.
TEST_F(EditedDifTest, BlocksMayEndAtFFFFFFButNotPastIt) {
  const Bytes top = DifBuilder(1).record(0xFFFFF8, {0, 1, 2, 3, 4, 5, 6, 7}).bytes();
  std::string data = dataFile("d.dat", 4, 0x80);
  fillList(list_, {dataLine(0xFFFFFC, 0xFFFFFF, 0, ""), dataLine(0xFFFFFE, 0xFFFFFF, 1, data)});
  ASSERT_TRUE(writeEditedDif(fs_, dir_.file("top.dif"), list_, top).ok());
  EXPECT_EQ(test::readFile(dir_.file("top.dif")),
            DifBuilder(2).record(0xFFFFFC, {4, 5, 6, 7}).record(0xFFFFFE, {0x81, 0x82}).bytes());

  list_.add("FFFFFF\t1000000\t02\t00\t00\t" + data);
  expectError(writeEditedDif(fs_, dir_.file("past.dif"), list_, top), ErrorCode::BadBlock,
              "Неверные адреса блока FFFFFF–01000000.");
  EXPECT_FALSE(test::fileExists(dir_.file("past.dif")));
}

struct EditedBadCase {
  const char* name;
  int start;
  int end;
  int offset;
  bool fromDataFile;
  ErrorCode code;
  const char* why;  // "%s" stands for the data file's path
};

class EditedDifBadBlockTest : public EditedDifTest,
                              public testing::WithParamInterface<EditedBadCase> {};

TEST_P(EditedDifBadBlockTest, RefusesTheWholeFile) {
  const EditedBadCase& c = GetParam();
  std::string data = dataFile("d.dat", 16, 0);
  std::string path = c.fromDataFile ? data : "";
  if (c.code == ErrorCode::OpenFailed) path = dir_.file("missing.dat");
  fillList(list_, {dataLine(0x10, 0x11, 0, ""), dataLine(0x50, 0x50, 0, data),
                   dataLine(c.start, c.end, c.offset, path)});
  std::string out = dir_.file("new.dif");
  std::string why = c.why;
  if (const std::size_t at = why.find("%s"); at != std::string::npos) why.replace(at, 2, path);
  expectError(writeEditedDif(fs_, out, list_, kEdited), c.code, why);
  EXPECT_EQ(fs_.creates(), 0);
  EXPECT_EQ(fs_.totalReads(), 0);
  EXPECT_FALSE(test::fileExists(out));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EditedDifBadBlockTest,
    testing::Values(EditedBadCase{"RunsPastItsRecord", 0x16, 0x18, 0, false, ErrorCode::BadBlock,
                                  "Байтов блока 000016–000018 нет в DIF файле."},
                    EditedBadCase{"SpansTwoRecords", 0x10, 0x41, 0, false, ErrorCode::BadBlock,
                                  "Байтов блока 000010–000041 нет в DIF файле."},
                    EditedBadCase{"InNoRecord", 0x20, 0x20, 0, false, ErrorCode::BadBlock,
                                  "Байтов блока 000020–000020 нет в DIF файле."},
                    EditedBadCase{"BeforeTheFirstRecord", 0x0F, 0x10, 0, false, ErrorCode::BadBlock,
                                  "Байтов блока 00000F–000010 нет в DIF файле."},
                    EditedBadCase{"PastItsDataFile", 0x00, 0x01, 15, true, ErrorCode::BadBlock,
                                  "Файл данных короче блока 000000–000001: %s"},
                    EditedBadCase{"NegativeDataOffset", 0x00, 0x01, -1, true, ErrorCode::BadBlock,
                                  "Неверное смещение блока 000000–000001 в файле данных."},
                    EditedBadCase{"StartAfterEnd", 0x05, 0x04, 0, true, ErrorCode::BadBlock,
                                  "Неверные адреса блока 000005–000004."},
                    EditedBadCase{"MissingDataFile", 0x00, 0x01, 0, true, ErrorCode::OpenFailed,
                                  "Не удалось прочитать файл данных: %s"}),
    [](const testing::TestParamInfo<EditedBadCase>& info) { return info.param.name; });

TEST_F(EditedDifTest, UnreadableDataFileLeavesNothingBehind) {
  std::string data = dataFile("d.dat", 16, 0);
  fs_.unreadable = {data};
  fillList(list_, {dataLine(0, 1, 0, data)});
  std::string out = dir_.file("new.dif");
  test::writeFile(out, text("earlier"));
  expectError(writeEditedDif(fs_, out, list_, kEdited), ErrorCode::OpenFailed,
              "Не удалось прочитать файл данных: " + data);
  EXPECT_EQ(test::readFile(out), text("earlier"));
  EXPECT_EQ(folderEntries(dir_.path()), (std::vector<std::string>{"d.dat", "new.dif"}));
}

TEST_F(EditedDifTest, DataFileThatIsAFolderIsUnreadable) {
  fillList(list_, {dataLine(0, 0, 0, dir_.path())});
  expectError(writeEditedDif(fs_, dir_.file("new.dif"), list_, kEdited), ErrorCode::OpenFailed,
              "Не удалось прочитать файл данных: " + dir_.path());
}

// Seventeen blocks over every address make a file past the largest DIF the program opens: it
// would be written but never applied, in either mode, so nothing is written.
TEST(DifSizeLimitTest, AFileNoApplyingWouldOpenIsRefused) {
  test::TempDir dir;
  BlockList normal, edited;
  for (int i = 0; i < 17; ++i) {
    normal.add("000000\tFFFFFF\t01000000\t00\t");
    edited.add("000000\tFFFFFF\t01000000\t00\t00\t" + dir.file("data.bin"));
  }
  const Bytes image(0x1000000, 0xAB);
  for (const auto& [name, written] :
       {std::pair{"normal", writeDif(realFileSystem(), dir.file("a.dif"), normal, image)},
        std::pair{"edited", writeEditedDif(realFileSystem(), dir.file("a.dif"), edited, {})}}) {
    ASSERT_FALSE(written.ok()) << name;
    EXPECT_EQ(written.error().code, ErrorCode::TooLarge) << name;
    EXPECT_EQ(written.error().message, "Слишком большой DIF файл!") << name;
  }
  EXPECT_TRUE(folderEntries(dir.path()).empty());
}

}  // namespace
}  // namespace hm
