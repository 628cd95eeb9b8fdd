#include "app/control_state.h"

#include "app/session.h"
#include "support/memory_file_system.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace hm::test {
namespace {

enum class Work { Idle, Busy, Searching, CancelAsked };

struct StateCase {
  const char* name;
  const char* in;
  const char* out;
  bool editing;          // turned on after the paths, as opening a DIF leaves the target named
  const char* dataFile;  // named after the mode went on; null for none
  int lines;
  bool caret;
  Work work;
  const char* on;  // the controls usable or shown, as named by onControls()
};

void PrintTo(const StateCase& c, std::ostream* os) {
  *os << c.name;
}

std::string onControls(const ControlState& s) {
  std::string on;
  const std::pair<bool, const char*> names[] = {
      {s.search, "search"},     {s.merge, "merge"},       {s.add, "add"},
      {s.remove, "remove"},     {s.createDif, "dif"},     {s.cancelShown, "cancel"},
      {s.chooseFiles, "files"}, {s.normalMode, "normal"}, {s.listTakesClicks, "clicks"},
      {s.editLine, "editLine"}};
  for (auto [set, name] : names) {
    if (set) on += on.empty() ? name : std::string(" ") + name;
  }
  return on;
}

constexpr Work kIdle = Work::Idle;

const StateCase kStates[] = {
    {"NothingChosen", "", "", false, nullptr, 0, false, kIdle, "dif files normal clicks"},
    {"OnlyTheSource", "a.bin", "", false, nullptr, 0, false, kIdle, "dif files normal clicks"},
    {"TheSamePathTwice", "a.bin", "a.bin", false, nullptr, 0, false, kIdle,
     "dif files normal clicks"},
    // Another letter case is another file: only the same spelling is refused.
    {"AnotherLetterCase", "a.bin", "A.BIN", false, nullptr, 0, false, kIdle,
     "search add dif files normal clicks"},
    {"TwoPaths", "a.bin", "b.bin", false, nullptr, 0, false, kIdle,
     "search add dif files normal clicks"},
    {"TwoPathsAndLines", "a.bin", "b.bin", false, nullptr, 2, false, kIdle,
     "search merge add remove dif files normal clicks"},
    {"ACaretLine", "a.bin", "b.bin", false, nullptr, 2, true, kIdle,
     "search merge add remove dif files normal clicks editLine"},
    {"LinesWithoutPaths", "", "", false, nullptr, 2, false, kIdle,
     "merge remove dif files normal clicks"},
    // The edited DIF is the list: no search, no merge, and a block is added only from a data file
    // named since the DIF was opened.
    {"EditingWithoutADataFile", "a.bin", "b.bin", true, nullptr, 2, false, kIdle,
     "remove dif files clicks"},
    {"EditingWithADataFile", "a.bin", "b.bin", true, "data.bin", 2, true, kIdle,
     "add remove dif files clicks editLine"},
    {"EditingAnEmptyList", "a.bin", "b.bin", true, "data.bin", 0, false, kIdle,
     "add dif files clicks"},
    // Long work: nothing that starts more work or changes what it reads; the distance stays.
    {"Busy", "a.bin", "b.bin", false, nullptr, 2, true, Work::Busy, "normal"},
    {"BusyWhileEditing", "a.bin", "b.bin", true, "data.bin", 2, false, Work::Busy, ""},
    {"Searching", "a.bin", "b.bin", false, nullptr, 0, false, Work::Searching, "cancel normal"},
    {"SearchingWithTheCancelAsked", "a.bin", "b.bin", false, nullptr, 0, false, Work::CancelAsked,
     "normal"},
};

class ControlStateTest : public testing::TestWithParam<StateCase> {
 protected:
  MemoryFileSystem fs;
  Session session{fs};
};

TEST_P(ControlStateTest, FollowsPathsListModeAndWork) {
  const StateCase& c = GetParam();
  session.setInFile(c.in);
  session.setOutFile(c.out);
  session.setEditingDif(c.editing);
  if (c.dataFile) session.setInFile(c.dataFile);
  for (int i = 0; i < c.lines; ++i) session.blocks().add("000010\t000012\t03\t0D\t");
  if (c.caret) session.blocks().setCaret(0);
  if (c.work != Work::Idle) session.setBusy(true);
  if (c.work >= Work::Searching) session.setSearching(true, c.work == Work::CancelAsked);

  const ControlState state = controlState(session);
  EXPECT_EQ(onControls(state), c.on);
  EXPECT_STREQ(state.firstButtonCaption, c.editing ? "Файл данных" : "Исходный BIN");
}

INSTANTIATE_TEST_SUITE_P(States, ControlStateTest, testing::ValuesIn(kStates),
                         [](const testing::TestParamInfo<StateCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace hm::test
