#include "platform/file_chooser.h"

#include "dif/dif_format.h"
#include "platform/settings_store.h"
#include "support/temp_dir.h"

#include <deque>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

using test::TempDir;

class ScriptedDialogs : public FileDialogs {
 public:
  std::string choose(const FileDialogRequest& request) override {
    requests.push_back(request);
    if (answers.empty()) return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::string> answers;
  std::vector<FileDialogRequest> requests;
};

struct Shown {
  std::string text;
  MessageButtons buttons;
  MessageIcon icon;
};

class RecordingMessenger : public Messenger {
 public:
  MessageAnswer show(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
    shown.push_back({text, buttons, icon});
    return MessageAnswer::Ok;
  }
  std::vector<Shown> shown;
};

// A sparse file of the given length, as truncate(1) makes it.
std::string sizedFile(const TempDir& dir, const std::string& name, off_t size) {
  std::string path = dir.file(name);
  test::writeFile(path, std::string());
  EXPECT_EQ(::truncate(path.c_str(), size), 0);
  return path;
}

class FileChooserTest : public ::testing::Test {
 protected:
  std::string storedFolder() {
    std::string value = "(none)";
    settings.ReadRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, value);
    return value;
  }

  TempDir dir;
  ScriptedDialogs dialogs;
  RecordingMessenger messenger;
  SettingsStore settings{realFileSystem(), dir.file("config/settings.reg")};
  FileChooser chooser{dialogs, realFileSystem(), messenger, settings, kMaxDifSize};
};

struct DialogCase {
  const char* name;
  FileKind kind;
  bool save;
  const char* title;
  const char* extension;
};

void PrintTo(const DialogCase& c, std::ostream* os) {
  *os << c.name;
}

class DialogRequestTest : public FileChooserTest,
                          public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DialogRequestTest, AsksWithTitleExtensionAndLastFolder) {
  const DialogCase& c = GetParam();
  chooser.LastFolder = "/work/bins/";
  if (c.save) {
    chooser.AskSaveFile(c.kind);
  } else {
    chooser.AskOpenFile(c.kind);
  }
  ASSERT_EQ(dialogs.requests.size(), 1u);
  const FileDialogRequest& request = dialogs.requests[0];
  EXPECT_EQ(request.kind, c.kind);
  EXPECT_EQ(request.save, c.save);
  EXPECT_EQ(request.title, c.title);
  EXPECT_EQ(request.extension, c.extension);
  EXPECT_EQ(request.startFolder, "/work/bins/");
}

INSTANTIATE_TEST_SUITE_P(
    FiveDialogs, DialogRequestTest,
    ::testing::Values(
        DialogCase{"OpenSource", FileKind::SourceBin, false, "Выберите Исходный BIN Файл", "BIN"},
        DialogCase{"OpenTarget", FileKind::TargetBin, false, "Выберите Конечный BIN Файл", "BIN"},
        DialogCase{"OpenDif", FileKind::Dif, false, "Выберите DIF Файл", "DIF"},
        DialogCase{"SaveDif", FileKind::Dif, true, "Выберите Новый DIF Файл", "DIF"},
        DialogCase{"SaveBin", FileKind::SourceBin, true, "Выберите Новый BIN Файл", "BIN"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SaveNameCase {
  const char* name;
  FileKind kind;
  const char* typed;
  const char* returned;
};

void PrintTo(const SaveNameCase& c, std::ostream* os) {
  *os << c.name;
}

class SaveNameTest : public FileChooserTest, public ::testing::WithParamInterface<SaveNameCase> {};

TEST_P(SaveNameTest, AddsTheKindsExtensionUnlessPresentInAnyCase) {
  dialogs.answers = {GetParam().typed};
  EXPECT_EQ(chooser.AskSaveFile(GetParam().kind), GetParam().returned);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveNameTest,
    ::testing::Values(SaveNameCase{"BareDif", FileKind::Dif, "/w/patch", "/w/patch.DIF"},
                      SaveNameCase{"MixedCaseDifKept", FileKind::Dif, "/w/new.Dif", "/w/new.Dif"},
                      SaveNameCase{"LowerDifKept", FileKind::Dif, "/w/patch.dif", "/w/patch.dif"},
                      SaveNameCase{"BinOnDif", FileKind::Dif, "/w/a.bin", "/w/a.bin.DIF"},
                      SaveNameCase{"BareBin", FileKind::SourceBin, "/w/out", "/w/out.BIN"},
                      SaveNameCase{"BinKept", FileKind::SourceBin, "/w/out.bin", "/w/out.bin"},
                      SaveNameCase{"ShortName", FileKind::Dif, "DIF", "DIF.DIF"},
                      SaveNameCase{"SpacesTrimmed", FileKind::Dif, "  /w/x.dif  ", "/w/x.dif"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileChooserTest, AcceptsTheLargestAllowedFileAndRemembersItsFolder) {
  std::string path = sizedFile(dir, "max.bin", 16777215);
  dialogs.answers = {" " + path + " "};
  EXPECT_EQ(chooser.AskOpenFile(FileKind::SourceBin), path);
  EXPECT_TRUE(messenger.shown.empty());
  EXPECT_EQ(chooser.LastFolder, dir.path() + "/");
  EXPECT_EQ(storedFolder(), dir.path() + "/");

  // The next dialog starts there.
  chooser.AskOpenFile(FileKind::TargetBin);
  EXPECT_EQ(dialogs.requests.back().startFolder, dir.path() + "/");
}

TEST_F(FileChooserTest, RefusesAFileOneByteOverTheLimit) {
  chooser.LastFolder = "/earlier/";
  dialogs.answers = {sizedFile(dir, "big.bin", 16777216)};
  EXPECT_EQ(chooser.AskOpenFile(FileKind::TargetBin), "");
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, "Too Large File! (Max 16Mb)");
  EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
  // The refusal keeps the folder but still writes it out.
  EXPECT_EQ(chooser.LastFolder, "/earlier/");
  EXPECT_EQ(storedFolder(), "/earlier/");
}

struct SizeCase {
  const char* name;
  FileKind kind;
  off_t size;
  const char* refusal;  // null when the file is taken
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << c.name;
}

class OpenSizeTest : public FileChooserTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(OpenSizeTest, TakesOrRefusesByTheKindsLimit) {
  const SizeCase& c = GetParam();
  std::string path = sizedFile(dir, "chosen", c.size);
  dialogs.answers = {path};
  std::string chosen = chooser.AskOpenFile(c.kind);
  if (!c.refusal) {
    EXPECT_EQ(chosen, path);
    EXPECT_TRUE(messenger.shown.empty());
    return;
  }
  EXPECT_EQ(chosen, "");
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, c.refusal);
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
}

// A DIF is bounded by what a valid one can hold: a one-byte record at each of the 16,777,216
// addresses, 32 + 17 * 16,777,216 bytes. The DIF of the every-other-byte pair is half that.
INSTANTIATE_TEST_SUITE_P(
    Kinds, OpenSizeTest,
    ::testing::Values(SizeCase{"LargestBin", FileKind::SourceBin, 16777215, nullptr},
                      SizeCase{"BinOverSixteenMegabytes", FileKind::TargetBin, 16777216,
                               "Too Large File! (Max 16Mb)"},
                      SizeCase{"DifOverSixteenMegabytes", FileKind::Dif, 16777216, nullptr},
                      SizeCase{"DifOfTheEveryOtherBytePair", FileKind::Dif, 142606368, nullptr},
                      SizeCase{"LargestValidDif", FileKind::Dif, 285212704, nullptr},
                      SizeCase{"DifOneByteOver", FileKind::Dif, 285212705,
                               "Слишком большой DIF файл!"},
                      SizeCase{"BinOfTheLargestDifSize", FileKind::SourceBin, 285212704,
                               "Too Large File! (Max 16Mb)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileChooserTest, RefusalWithNoFolderYetStoresOneSpace) {
  dialogs.answers = {sizedFile(dir, "big.bin", 16777216)};
  EXPECT_EQ(chooser.AskOpenFile(FileKind::SourceBin), "");
  EXPECT_EQ(chooser.LastFolder, "");
  EXPECT_EQ(storedFolder(), " ");
}

// A dropped file passes what a file chosen in the dialog passes, and only inside its command.
TEST_F(FileChooserTest, ChosenFileAnswersOpenRequestsAsTheDialogWould) {
  const std::string taken = sizedFile(dir, "max.bin", 16777215);
  const std::string big = sizedFile(dir, "big.bin", 16777216);
  std::vector<std::string> answers;
  chooser.withChosenFile(taken,
                         [&] { answers.push_back(chooser.AskOpenFile(FileKind::SourceBin)); });
  chooser.LastFolder = "/before/";
  chooser.withChosenFile(big, [&] { answers.push_back(chooser.AskOpenFile(FileKind::TargetBin)); });
  EXPECT_EQ(answers, (std::vector<std::string>{taken, ""}));
  EXPECT_TRUE(dialogs.requests.empty());
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text, "Too Large File! (Max 16Mb)");
  EXPECT_EQ(chooser.LastFolder, "/before/");

  chooser.withChosenFile(taken, [] {});
  chooser.AskOpenFile(FileKind::Dif);
  EXPECT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(chooser.LastFolder, "/before/");
}

TEST_F(FileChooserTest, CancelReturnsNothingAndRemembersNothing) {
  chooser.LastFolder = "/before/";
  EXPECT_EQ(chooser.AskOpenFile(FileKind::Dif), "");
  dialogs.answers = {"   "};
  EXPECT_EQ(chooser.AskSaveFile(FileKind::Dif), "");
  EXPECT_EQ(chooser.LastFolder, "/before/");
  EXPECT_FALSE(test::fileExists(settings.filePath()));
}

TEST_F(FileChooserTest, SaveRemembersTheFolderOfTheNewName) {
  dialogs.answers = {dir.file("sub/new")};
  EXPECT_EQ(chooser.AskSaveFile(FileKind::Dif), dir.file("sub/new.DIF"));
  EXPECT_EQ(chooser.LastFolder, dir.file("sub/"));
  EXPECT_EQ(storedFolder(), dir.file("sub/"));
}

TEST_F(FileChooserTest, RememberFolderWithoutSlashKeepsTheFolder) {
  chooser.LastFolder = "/kept/";
  chooser.RememberFolder("name-only.bin");
  EXPECT_EQ(chooser.LastFolder, "/kept/");
  EXPECT_EQ(storedFolder(), "/kept/");
  chooser.RememberFolder("/a/b/c.bin");
  EXPECT_EQ(chooser.LastFolder, "/a/b/");
  chooser.RememberFolder("/top.bin");
  EXPECT_EQ(chooser.LastFolder, "/");
}

TEST_F(FileChooserTest, StartUpReadsTheStoredFolder) {
  chooser.loadLastFolder();
  EXPECT_EQ(chooser.LastFolder, "");

  ASSERT_TRUE(settings.WriteRegValue(RegRoot::LocalMachine, kProgramKey, kFolderValue, "/w/"));
  FileChooser next(dialogs, realFileSystem(), messenger, settings, kMaxDifSize);
  next.loadLastFolder();
  EXPECT_EQ(next.LastFolder, "/w/");
}

}  // namespace
}  // namespace hm
