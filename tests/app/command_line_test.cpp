#include "app/command_line.h"

#include "support/memory_file_system.h"
#include "support/temp_dir.h"

#include <unistd.h>

#include <gtest/gtest.h>

namespace hm {
namespace {

// The files the single-path lines name; every other path is missing. "a.b" exists but its name
// is too short to be taken for a file.
test::MemoryFileSystem& files() {
  static test::MemoryFileSystem fs;
  if (fs.files.empty()) {
    for (const char* path : {"/w/patch.dif", "/w/PATCH.DIF", "/w/old.bin", "/w/my patch.Dif",
                             "/w/notes.dif.txt", "/w/a /t:b /d:c.bin", "a.b"}) {
      fs.files[path] = {'x'};
    }
  }
  return fs;
}

struct LineCase {
  const char* name;
  const char* args;
  CommandForm form;
  const char* line = nullptr;  // the prepared line, when it differs from args
  std::optional<int> minDistance = std::nullopt;
  const char* source = "";
  const char* target = "";
  const char* dif = "";
  const char* data = "";
  const char* output = "";
  bool numbersValid = true;
  std::int32_t address = 0;
  std::int32_t offset = 0;
  std::optional<std::int32_t> length = std::nullopt;
  bool backup = false;
  bool force = false;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name << ": " << c.args;
}

class ParseCommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ParseCommandLineTest, ReadsTheFormAndItsParts) {
  const LineCase& c = GetParam();
  CommandLine command = parseCommandLine(c.args, files());
  EXPECT_EQ(command.form, c.form);
  EXPECT_EQ(command.line, c.line ? c.line : c.args);
  EXPECT_EQ(command.minDistance, c.minDistance);
  EXPECT_EQ(command.sourcePath, c.source);
  EXPECT_EQ(command.targetPath, c.target);
  EXPECT_EQ(command.difPath, c.dif);
  EXPECT_EQ(command.dataPath, c.data);
  EXPECT_EQ(command.outputPath, c.output);
  EXPECT_EQ(command.numbersValid, c.numbersValid);
  EXPECT_EQ(command.address, c.address);
  EXPECT_EQ(command.offset, c.offset);
  EXPECT_EQ(command.length, c.length);
  EXPECT_EQ(command.backup, c.backup);
  EXPECT_EQ(command.force, c.force);
}

using F = CommandForm;

const LineCase kSingleLines[] = {
    {.name = "NoArguments", .args = "", .form = F::Empty},
    {.name = "OnlySpaces", .args = "   ", .form = F::Empty, .line = ""},
    {.name = "OnlyQuotes", .args = "\"\"", .form = F::Empty, .line = ""},
    {.name = "DifPath", .args = "/w/patch.dif", .form = F::DifFile, .dif = "/w/patch.dif"},
    {.name = "QuotedDifPath",
     .args = " \"/w/patch.dif\" ",
     .form = F::DifFile,
     .line = "/w/patch.dif",
     .dif = "/w/patch.dif"},
    {.name = "CapitalDif", .args = "/w/PATCH.DIF", .form = F::DifFile, .dif = "/w/PATCH.DIF"},
    {.name = "DifWithSpaces",
     .args = "/w/my patch.Dif",
     .form = F::DifFile,
     .dif = "/w/my patch.Dif"},
    {.name = "OtherFile",
     .args = "\"/w/old.bin\"",
     .form = F::OtherFile,
     .line = "/w/old.bin",
     .source = "/w/old.bin"},
    {.name = "DifOnlyInsideName",
     .args = "/w/notes.dif.txt",
     .form = F::OtherFile,
     .source = "/w/notes.dif.txt"},
    {.name = "MissingFile", .args = "/w/missing.dif", .form = F::BadParameters},
    {.name = "TooShortName", .args = "a.b", .form = F::BadParameters},
    {.name = "SwitchesInsideAnExistingName",
     .args = "/w/a /t:b /d:c.bin",
     .form = F::OtherFile,
     .source = "/w/a /t:b /d:c.bin"},
};
INSTANTIATE_TEST_SUITE_P(SinglePath, ParseCommandLineTest, ::testing::ValuesIn(kSingleLines),
                         [](const auto& info) { return std::string(info.param.name); });

const LineCase kComparisons[] = {
    {.name = "Plain",
     .args = "old.bin /t:new.bin /d:out.dif",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "out.dif"},
    {.name = "MinDistanceUpperCase",
     .args = "old.bin /MD:16 /t:new.bin /d:out.dif",
     .form = F::Comparison,
     .minDistance = 16,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "out.dif"},
    {.name = "MinDistanceBounds",
     .args = "a.bin /md:0 /T:b.bin /D:c.dif",
     .form = F::Comparison,
     .minDistance = 0,
     .source = "a.bin",
     .target = "b.bin",
     .dif = "c.dif"},
    {.name = "MinDistanceMax",
     .args = "a.bin /md:128 /t:b.bin /d:c.dif",
     .form = F::Comparison,
     .minDistance = 128,
     .source = "a.bin",
     .target = "b.bin",
     .dif = "c.dif"},
    {.name = "MinDistanceLeadingZero",
     .args = "a.bin /md:016 /t:b.bin /d:c.dif",
     .form = F::Comparison,
     .minDistance = 16,
     .source = "a.bin",
     .target = "b.bin",
     .dif = "c.dif"},
    {.name = "AbsolutePathsWithSpaces",
     .args = "\"/home/u/my old.bin  /t: /home/u/my new.bin /d:/home/u/out file.dif\"",
     .form = F::Comparison,
     .line = "/home/u/my old.bin  /t: /home/u/my new.bin /d:/home/u/out file.dif",
     .source = "/home/u/my old.bin",
     .target = "/home/u/my new.bin",
     .dif = "/home/u/out file.dif"},
    {.name = "InnerQuotesKept",
     .args = "old.bin /t:\"new.bin\" /d:out.dif",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "\"new.bin\"",
     .dif = "out.dif"},
    {.name = "MinDistanceTooLarge",
     .args = "old.bin /md:200 /t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "MinDistanceJustOver",
     .args = "old.bin /md:129 /t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "MinDistanceNegative",
     .args = "old.bin /md:-1 /t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "MinDistanceNotANumber",
     .args = "old.bin /md:ab /t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "MinDistanceEmpty",
     .args = "old.bin /md: 16 /t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "MinDistanceWithoutSpace",
     .args = "old.bin /md:16/t:new.bin /d:out.dif",
     .form = F::BadParameters},
    {.name = "OnlyMinDistance", .args = "/md:16", .form = F::BadParameters},
    {.name = "OnlyMinDistanceAndSpace",
     .args = "/md:16 ",
     .form = F::BadParameters,
     .line = "/md:16"},
    {.name = "DifBeforeTarget", .args = "old.bin /d:out.dif /t:new.bin", .form = F::BadParameters},
    {.name = "EmptySource", .args = "/t:new.bin /d:out.dif", .form = F::BadParameters},
    {.name = "EmptyTarget", .args = "old.bin /t:  /d:out.dif", .form = F::BadParameters},
    {.name = "EmptyDif",
     .args = "old.bin /t:new.bin /d: ",
     .form = F::BadParameters,
     .line = "old.bin /t:new.bin /d:"},
    {.name = "TargetWithoutDif", .args = "old.bin /t:new.bin", .form = F::BadParameters},
    // A switch the form does not take is not a part of the DIF's name.
    {.name = "DashSwitchAfterDif",
     .args = "old.bin /t:new.bin /d:out.dif -b",
     .form = F::BadParameters},
    {.name = "UnknownSwitchAfterDif",
     .args = "old.bin /t:new.bin /d:x.dif /z",
     .form = F::BadParameters},
    {.name = "ApplySwitchAfterDif",
     .args = "old.bin /t:new.bin /d:x.dif /b /f",
     .form = F::BadParameters},
    {.name = "WordWithDigitsStaysInTheName",
     .args = "old.bin /t:new.bin /d:/w/my out -2.dif",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "/w/my out -2.dif"},
    {.name = "WithBackup",
     .args = "old.bin /t:new.bin /d:out.dif /b",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "out.dif",
     .backup = true},
    {.name = "WithBackupUpperCase",
     .args = "old.bin /md:4 /t:new.bin /d:/w/my out  /B",
     .form = F::Comparison,
     .minDistance = 4,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "/w/my out",
     .backup = true},
    {.name = "BackupSwitchNeedsItsSpace",
     .args = "old.bin /t:new.bin /d:/w/b",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "/w/b"},
    {.name = "OnlyTheBackupSwitchAsDif",
     .args = "old.bin /t:new.bin /d: /b",
     .form = F::Comparison,
     .source = "old.bin",
     .target = "new.bin",
     .dif = "/b"},
};
INSTANTIATE_TEST_SUITE_P(Comparison, ParseCommandLineTest, ::testing::ValuesIn(kComparisons),
                         [](const auto& info) { return std::string(info.param.name); });

const LineCase kInsertions[] = {
    {.name = "WholeDataFile",
     .args = "patch.dif <1A0000::> data.bin",
     .form = F::BlockInsertion,
     .dif = "patch.dif",
     .data = "data.bin",
     .address = 0x1A0000},
    {.name = "OffsetAndLength",
     .args = "patch.dif <1A0000:10:20> data.bin",
     .form = F::BlockInsertion,
     .dif = "patch.dif",
     .data = "data.bin",
     .address = 0x1A0000,
     .offset = 0x10,
     .length = 0x20},
    {.name = "LowerCaseDigits",
     .args = "patch.dif <1a00ff:0:ff> data.bin",
     .form = F::BlockInsertion,
     .dif = "patch.dif",
     .data = "data.bin",
     .address = 0x1A00FF,
     .length = 0xFF},
    {.name = "AllEmpty",
     .args = "/w/my patch.dif <::> /w/my data.bin",
     .form = F::BlockInsertion,
     .dif = "/w/my patch.dif",
     .data = "/w/my data.bin"},
    {.name = "LargestNumber",
     .args = "p.dif <FFFFFFFF:0:1> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .address = -1,
     .length = 1},
    {.name = "OverThirtyTwoBits",
     .args = "p.dif <100000000::> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "NotHex",
     .args = "p.dif <1G::> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "Prefixed",
     .args = "p.dif <0x10::> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "SpaceInside",
     .args = "p.dif < 10::> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "OneColon",
     .args = "p.dif <10:20> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "ThreeColons",
     .args = "p.dif <1:2:3:4> d.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "d.bin",
     .numbersValid = false},
    {.name = "TabInDataPath", .args = "p.dif <1::> /w/x\tdata.bin", .form = F::BadParameters},
    {.name = "LineBreakInDataPath", .args = "p.dif <1::> /w/x\ndata.bin", .form = F::BadParameters},
    {.name = "CyrillicDataPath",
     .args = "p.dif <1::> /w/данные 1.bin",
     .form = F::BlockInsertion,
     .dif = "p.dif",
     .data = "/w/данные 1.bin",
     .address = 1},
    {.name = "CloseBeforeOpen", .args = "p.dif >1:2:3< d.bin", .form = F::BadParameters},
    {.name = "OnlyOpen", .args = "p.dif <1:2:3 d.bin", .form = F::BadParameters},
};
INSTANTIATE_TEST_SUITE_P(BlockInsertion, ParseCommandLineTest, ::testing::ValuesIn(kInsertions),
                         [](const auto& info) { return std::string(info.param.name); });

const LineCase kApplies[] = {
    {.name = "Plain",
     .args = "in.bin /a:patch.dif /o:out.bin",
     .form = F::Apply,
     .source = "in.bin",
     .dif = "patch.dif",
     .output = "out.bin"},
    {.name = "UpperCaseSwitches",
     .args = "/w/in 1.bin /A: /w/p.dif /O:/w/out 1.bin",
     .form = F::Apply,
     .source = "/w/in 1.bin",
     .dif = "/w/p.dif",
     .output = "/w/out 1.bin"},
    {.name = "OutputBeforeDif", .args = "in.bin /o:out.bin /a:patch.dif", .form = F::BadParameters},
    {.name = "EmptyBin", .args = "/a:patch.dif /o:out.bin", .form = F::BadParameters},
    {.name = "BackupSwitchAfterOutput",
     .args = "in.bin /a:patch.dif /o:out.bin /b",
     .form = F::BadParameters},
    {.name = "Forced",
     .args = "in.bin /a:patch.dif /o:out.bin /F",
     .form = F::Apply,
     .source = "in.bin",
     .dif = "patch.dif",
     .output = "out.bin",
     .force = true},
    // Spaces left inside the quotes after the switch are ignored like those around a path.
    {.name = "ForcedInQuotesWithSpacesAfter",
     .args = "\"in.bin /a:patch.dif /o:out.bin /F   \"",
     .form = F::Apply,
     .line = "in.bin /a:patch.dif /o:out.bin /F   ",
     .source = "in.bin",
     .dif = "patch.dif",
     .output = "out.bin",
     .force = true},
    {.name = "ForceOnlyAtTheEnd",
     .args = "in.bin /a:patch.dif /f /o:out.bin",
     .form = F::Apply,
     .source = "in.bin",
     .dif = "patch.dif /f",
     .output = "out.bin"},
};
INSTANTIATE_TEST_SUITE_P(Apply, ParseCommandLineTest, ::testing::ValuesIn(kApplies),
                         [](const auto& info) { return std::string(info.param.name); });

const LineCase kChecks[] = {
    {.name = "Plain",
     .args = "in.bin /v:patch.dif",
     .form = F::Check,
     .source = "in.bin",
     .dif = "patch.dif"},
    {.name = "UndoUpperCase",
     .args = "/w/in 1.bin /V: /w/p.dif_bak.dif",
     .form = F::Check,
     .source = "/w/in 1.bin",
     .dif = "/w/p.dif_bak.dif"},
    {.name = "EmptyDif", .args = "in.bin /v: ", .form = F::BadParameters, .line = "in.bin /v:"},
    {.name = "EmptyBin", .args = "/v:patch.dif", .form = F::BadParameters},
    {.name = "SwitchAfterCheckedDif",
     .args = "in.bin /v:patch.dif --force",
     .form = F::BadParameters},
    // A line the insertion form takes stays an insertion.
    {.name = "InsertionWithVInAPath",
     .args = "/w/v:/p.dif <1::> d.bin",
     .form = F::BlockInsertion,
     .dif = "/w/v:/p.dif",
     .data = "d.bin",
     .address = 1},
    {.name = "Help", .args = "--help", .form = F::Help},
    {.name = "ShortHelp", .args = " -h ", .form = F::Help, .line = "-h"},
    {.name = "Version", .args = "--version", .form = F::Version},
    {.name = "HelpWithMore", .args = "--help old.bin", .form = F::BadParameters},
};
INSTANTIATE_TEST_SUITE_P(CheckHelpVersion, ParseCommandLineTest, ::testing::ValuesIn(kChecks),
                         [](const auto& info) { return std::string(info.param.name); });

const LineCase kConversions[] = {
    {.name = "ToIps",
     .args = "/w/patch.dif /c:/w/patch.ips",
     .form = F::Conversion,
     .dif = "/w/patch.dif",
     .output = "/w/patch.ips"},
    {.name = "WithSourceAnyCase",
     .args = "my patch.ips /S: v1.bin /C: my patch.dif",
     .form = F::Conversion,
     .source = "v1.bin",
     .dif = "my patch.ips",
     .output = "my patch.dif"},
    {.name = "SwitchesOutOfOrder", .args = "p.ips /c:o.dif /s:v1.bin", .form = F::BadParameters},
    {.name = "EmptySource", .args = "p.ips /s: /c:o.dif", .form = F::BadParameters},
    {.name = "UnknownSwitchAfterOutput", .args = "p.ips /c:o.dif /f", .form = F::BadParameters},
    {.name = "WithDistance", .args = "p.ips /md:8 /c:o.dif", .form = F::BadParameters},
    // The lines other forms take stay theirs.
    {.name = "ApplyWithCInAPath",
     .args = "in.bin /a:/w/c:/p.ips /o:out.bin",
     .form = F::Apply,
     .source = "in.bin",
     .dif = "/w/c:/p.ips",
     .output = "out.bin"},
};
INSTANTIATE_TEST_SUITE_P(Conversion, ParseCommandLineTest, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BadParametersMessage, QuotesThePreparedLineAfterAnEmptyLine) {
  CommandLine command = parseCommandLine("  \"old.bin /md:200 /t:new.bin /d:out.dif\" ", files());
  ASSERT_EQ(command.form, CommandForm::BadParameters);
  EXPECT_EQ(badParametersMessage(command.line),
            "Неверные параметры командной сторки!\n\nold.bin /md:200 /t:new.bin /d:out.dif");
}

struct ExistingCase {
  const char* name;
  const char* path;
  bool names;
};

// Names are counted in characters, not bytes: "фай" takes six bytes and is still too short.
const ExistingCase kExistingCases[] = {
    {"ShortName", "/w/a.b", false},
    {"FourLetters", "/w/abcd", true},
    {"LongName", "/w/data.bin", true},
    {"BareName", "abcd", true},
    {"ThreeCyrillicLetters", "/w/фай", false},
    {"FourCyrillicLetters", "/w/файл", true},
    {"Folder", "/w/dir.bin", false},
    {"Missing", "/w/missing.bin", false},
    {"Empty", "", false},
};

class NamesExistingFileTest : public ::testing::TestWithParam<ExistingCase> {};

TEST_P(NamesExistingFileTest, NeedsARegularFileWithANameOfFourCharacters) {
  test::MemoryFileSystem fs;
  for (const char* path : {"/w/a.b", "/w/abcd", "abcd", "/w/data.bin", "/w/фай", "/w/файл"}) {
    fs.files[path] = {'x'};
  }
  ASSERT_TRUE(fs.makeFolders("/w/dir.bin"));
  EXPECT_EQ(namesExistingFile(fs, GetParam().path), GetParam().names);
}

INSTANTIATE_TEST_SUITE_P(Names, NamesExistingFileTest, ::testing::ValuesIn(kExistingCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A link counts as the file it leads to, as the program's stat sees it.
TEST(NamesExistingFile, FollowsLinksOnDisk) {
  test::TempDir dir;
  test::writeFile(dir.file("data.bin"), std::string("x"));
  ASSERT_EQ(::symlink(dir.file("data.bin").c_str(), dir.file("link.bin").c_str()), 0);
  ASSERT_EQ(::symlink(dir.file("gone.bin").c_str(), dir.file("dead.bin").c_str()), 0);
  ASSERT_EQ(::symlink(dir.path().c_str(), dir.file("folder.bin").c_str()), 0);
  EXPECT_TRUE(namesExistingFile(realFileSystem(), dir.file("link.bin")));
  EXPECT_FALSE(namesExistingFile(realFileSystem(), dir.file("dead.bin")));
  EXPECT_FALSE(namesExistingFile(realFileSystem(), dir.file("folder.bin")));

  EXPECT_EQ(parseCommandLine(dir.file("link.bin"), realFileSystem()).form, CommandForm::OtherFile);
  EXPECT_EQ(parseCommandLine(dir.file("dead.bin"), realFileSystem()).form,
            CommandForm::BadParameters);
}

}  // namespace
}  // namespace hm
