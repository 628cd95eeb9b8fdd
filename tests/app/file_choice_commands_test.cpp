#include "app/file_choice_commands.h"

#include "dif/dif_format.h"
#include "support/memory_file_system.h"
#include "support/memory_settings.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace hm::test {
namespace {

struct ChoiceCase {
  const char* name;
  bool editingDif;
  bool busy;
  const char* chosen;  // "" cancels the dialog
  const char* inFileAfter;
  const char* message;  // nullptr: none
};

class FileChoiceTest : public testing::TestWithParam<ChoiceCase> {
 protected:
  MemoryFileSystem fs;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  MemorySettings settings;
  Session session{fs};
  FileChooser chooser{dialogs, fs, messenger, settings, kMaxDifSize};
};

// The first button names the source BIN, or the data file while a DIF is edited: a data file's
// path ends its block lines, so one holding a tab or a line break is refused before it is kept.
TEST_P(FileChoiceTest, FirstButtonKeepsWhatFitsItsMode) {
  const ChoiceCase& c = GetParam();
  fs.files["old.bin"] = {1, 2, 3};
  fs.files["data\tfile.bin"] = {1, 2, 3};
  session.setEditingDif(c.editingDif);
  session.setInFile("old.bin");
  session.setBusy(c.busy);
  dialogs.paths = {c.chosen};

  chooseFirstFile(session, chooser, messenger);

  EXPECT_EQ(session.inFile(), c.inFileAfter);
  EXPECT_EQ(dialogs.requests.size(), c.busy ? 0u : 1u);
  if (c.message) {
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, c.message);
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Stop);
  } else {
    EXPECT_TRUE(messenger.shown.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileChoiceTest,
    testing::Values(
        ChoiceCase{"SourceChosen", false, false, "data\tfile.bin", "data\tfile.bin", nullptr},
        ChoiceCase{"DataFileChosen", true, false, "old.bin", "old.bin", nullptr},
        ChoiceCase{"DataFileThatCannotEndALine", true, false, "data\tfile.bin", "old.bin",
                   "Недопустимое имя файла данных!"},
        ChoiceCase{"DialogCancelled", true, false, "", "old.bin", nullptr},
        ChoiceCase{"NothingAskedDuringLongWork", false, true, "new.bin", "old.bin", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargetChoiceTest, KeepsTheChosenTargetAndAsksNothingDuringLongWork) {
  MemoryFileSystem fs;
  ScriptedMessenger messenger;
  ScriptedFileDialogs dialogs;
  MemorySettings settings;
  Session session(fs);
  FileChooser chooser(dialogs, fs, messenger, settings, kMaxDifSize);
  fs.files["new.bin"] = {1};
  dialogs.paths = {"", "new.bin", "other.bin"};
  chooseTargetFile(session, chooser);
  EXPECT_EQ(session.outFile(), "");
  chooseTargetFile(session, chooser);
  EXPECT_EQ(session.outFile(), "new.bin");
  session.setBusy(true);
  chooseTargetFile(session, chooser);
  EXPECT_EQ(session.outFile(), "new.bin");
  EXPECT_EQ(dialogs.requests.size(), 2u);
}

}  // namespace
}  // namespace hm::test
