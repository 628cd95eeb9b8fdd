#include "app/edit_history.h"

#include "app/history_commands.h"
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

// Everything a person sees of the list: its lines, which are selected, the caret, the totals.
struct Seen {
  std::vector<std::string> lines;
  std::vector<int> selected;
  int caret = -1;
  std::string status;
  int distance = 0;
  friend bool operator==(const Seen&, const Seen&) = default;
};

std::ostream& operator<<(std::ostream& os, const Seen& seen) {
  os << seen.lines.size() << " lines, caret " << seen.caret << ", " << seen.status << ", distance "
     << seen.distance << ", selected";
  for (int row : seen.selected) os << ' ' << row;
  return os;
}

// A pair with changes scattered over 4 KiB: runs of 1 to 4 bytes, gaps of 1 to 20.
Bytes changedCopy(const Bytes& source, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes target = source;
  for (std::size_t at = 16; at + 8 < target.size(); at += 2 + rng() % 20) {
    const std::size_t run = 1 + rng() % 4;
    for (std::size_t k = 0; k < run; ++k) target[at + k] ^= 0x5A;
    at += run;
  }
  return target;
}

struct HistoryFixture : CommandFixture {
  void searchScattered(std::uint32_t seed = 1) {
    session.setMinDistance(kMinDistanceStart);
    const Bytes source(0x1000, 0x11);
    if (session.history().edited()) messenger.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(searchPair(source, changedCopy(source, seed)));
    ASSERT_GT(session.blocks().count(), 20);
  }

  Seen seen() const {
    Seen s{lines(), {}, session.blocks().caret(), session.status(), session.minDistance()};
    for (int i = 0; i < session.blocks().count(); ++i) {
      if (session.blocks().isSelected(i)) s.selected.push_back(i);
    }
    return s;
  }

  void undo() { undoEdit(session, listJobs); }
  void redo() { redoEdit(session, listJobs); }
  void regroup(int distance) {
    session.setMinDistance(distance);
    listJobs.regroup(distance);
  }

  // Each edit the list offers, confirmed.
  void mergeSelected() {
    messenger.answers = {MessageAnswer::Ok};
    blockCommands.mergeSelected();
  }
  void deleteSelected() {
    messenger.answers = {MessageAnswer::Ok};
    blockCommands.deleteSelected();
  }
  void merge(int first, int count) {
    select({});
    for (int row = first; row < first + count; ++row) session.blocks().setSelected(row, true);
    mergeSelected();
  }
  void remove(std::vector<int> rows) {
    select({});
    for (int row : rows) session.blocks().setSelected(row, true);
    deleteSelected();
  }
  void add(std::int32_t start, std::int32_t end) {
    editor.answerAddresses = [start, end](AddressExchange& e) {
      e.blockStart = start;
      e.blockEnd = end;
      e.accepted = true;
    };
    blockCommands.addBlock();
  }
  void readdress(int row, std::int32_t endShift) {
    session.blocks().setCaret(row);
    editor.answerAddresses = [endShift](AddressExchange& e) {
      e.blockEnd = std::min(e.blockEnd + endShift, e.highLimit);
      e.accepted = true;
    };
    blockCommands.editCaretLine();
  }
};

class EditHistoryTest : public testing::Test, public HistoryFixture {};

struct EditCase {
  const char* name;
  std::vector<int> selected;  // before the edit, the caret on line 5
  std::function<void(HistoryFixture&)> edit;
  bool counts = true;  // an edit the user would lose by closing
};

void PrintTo(const EditCase& c, std::ostream* os) {
  *os << c.name;
}

class OneEdit : public testing::TestWithParam<EditCase>, public HistoryFixture {};

// Undo gives back the very list the edit changed, with its selection and caret; redo the edited
// one; and so on as often as asked.
TEST_P(OneEdit, IsUndoneAndRedone) {
  const EditCase& c = GetParam();
  searchScattered();
  select({});
  for (int row : c.selected) session.blocks().setSelected(row, true);
  session.blocks().setCaret(5);
  const Seen before = seen();
  c.edit(*this);
  const Seen after = seen();
  ASSERT_NE(after.lines, before.lines);
  EXPECT_EQ(session.history().edited(), c.counts);
  for (int round = 0; round < 2; ++round) {
    undo();
    EXPECT_EQ(seen(), before);
    redo();
    EXPECT_EQ(seen(), after);
  }
  undo();
  EXPECT_FALSE(session.history().edited());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OneEdit,
    testing::Values(
        EditCase{"Merge", {4, 5, 6}, [](HistoryFixture& f) { f.mergeSelected(); }},
        EditCase{"Delete", {0, 2, 3, 9}, [](HistoryFixture& f) { f.deleteSelected(); }},
        EditCase{"Add", {3, 7}, [](HistoryFixture& f) { f.add(0x1000 - 4, 0x1000 - 1); }},
        EditCase{"AddAcrossBlocks", {3, 7}, [](HistoryFixture& f) { f.add(0x20, 0x90); }},
        EditCase{"Readdress", {3, 7}, [](HistoryFixture& f) { f.readdress(5, 40); }},
        EditCase{"Regroup", {3, 7}, [](HistoryFixture& f) { f.regroup(12); }, false}),
    [](const testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

// Any mix of edits and regroupings, taken back one by one to the search's list and done again
// to the last: every list on the way is the one that stood there.
TEST_F(EditHistoryTest, ChainsOfEditsGoBackAndForthThroughTheSameLists) {
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    searchScattered(seed);
    std::mt19937 rng(seed);
    std::vector<Seen> states{seen()};
    auto note = [&] {
      if (session.history().position() == states.size()) states.push_back(seen());
    };
    for (int step = 0; step < 14; ++step) {
      if (session.blocks().count() < 4) {
        regroup(0);
        note();
      }
      const int n = session.blocks().count();
      const int row = static_cast<int>(rng() % static_cast<unsigned>(std::max(n - 3, 1)));
      switch (rng() % 5) {
        case 0:
          merge(row, 2 + static_cast<int>(rng() % 2));
          break;
        case 1:
          remove({row, row + 2});
          break;
        case 2: {
          const auto start = static_cast<std::int32_t>(rng() % 0xF00);
          add(start, start + static_cast<std::int32_t>(rng() % 64));
          break;
        }
        case 3:
          readdress(row, static_cast<std::int32_t>(rng() % 8));
          break;
        default:
          regroup(static_cast<int>(rng() % 24));
          break;
      }
      note();
    }
    for (std::size_t k = states.size() - 1; k-- > 0;) {
      undo();
      ASSERT_EQ(seen().lines, states[k].lines) << "undo to " << k;
      ASSERT_EQ(seen().status, states[k].status);
      ASSERT_EQ(seen().distance, states[k].distance);
    }
    for (std::size_t k = 1; k < states.size(); ++k) {
      redo();
      ASSERT_EQ(seen().lines, states[k].lines) << "redo to " << k;
      ASSERT_EQ(seen().distance, states[k].distance);
    }
    // The list a redo leaves takes further edits and their undo as the edit's own did.
    merge(0, 2);
    undo();
    EXPECT_EQ(seen().lines, states.back().lines);
  }
}

// Regrouping the untouched search result into more lines is kept as two distances: regrouping
// back is no slower. Into fewer lines, or once an edit lies below, the list it replaces is kept
// instead, taken over rather than copied.
TEST_F(EditHistoryTest, RegroupingsKeepTheCheapestWayBack) {
  searchScattered();
  const Seen found = seen();
  for (int distance : {6, 4, 2}) regroup(distance);
  EXPECT_LT(session.history().memoryBytes(), 3 * 1024u);
  EXPECT_FALSE(session.history().edited());
  const std::size_t lines = static_cast<std::size_t>(session.blocks().count());
  regroup(16);
  EXPECT_GE(session.history().memoryBytes(), lines * 12);
  regroup(4);
  merge(0, 2);
  const std::size_t withEdit = session.history().memoryBytes();
  regroup(3);
  EXPECT_GT(session.history().memoryBytes(), withEdit + lines * 20 / 2);
  for (int k = 0; k < 7; ++k) undo();
  EXPECT_EQ(seen(), found);
  EXPECT_FALSE(session.history().canUndo(session.blocks()));
}

TEST_F(EditHistoryTest, ANewSearchOrOpeningADifStartsAfresh) {
  searchScattered();
  merge(0, 2);
  ASSERT_TRUE(session.history().canUndo(session.blocks()));
  messenger.answers = {MessageAnswer::Yes};
  ASSERT_TRUE(searchCommand.start());
  EXPECT_FALSE(session.history().canUndo(session.blocks()));
  EXPECT_FALSE(session.history().edited());

  remove({1});
  dialogs.paths = {"p.dif"};
  ASSERT_TRUE(writeDif());
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "p.dif"));
  EXPECT_FALSE(session.history().canUndo(session.blocks()));
  remove({0});
  ASSERT_TRUE(session.history().canUndo(session.blocks()));
  session.setEditingDif(false);
  EXPECT_FALSE(session.history().canUndo(session.blocks()));
}

// Lines changed behind the history's back leave nothing to undo rather than a wrong list.
TEST_F(EditHistoryTest, LinesChangedOutsideAnEditEndTheHistory) {
  searchScattered();
  merge(0, 2);
  session.blocks().add("000FF0\t000FF1\t02\t00\t");
  EXPECT_FALSE(session.history().canUndo(session.blocks()));
  undo();
  EXPECT_EQ(session.blocks().text(session.blocks().count() - 1), "000FF0\t000FF1\t02\t00\t");
}

// Whether closing, a search or F4 must ask: edits since the list was last written, counted
// from the written state either way.
TEST_F(EditHistoryTest, TheUnsavedStateFollowsEditsWritesAndUndo) {
  searchScattered();
  EXPECT_TRUE(mayDiscardEdits(session, messenger));
  regroup(6);
  EXPECT_TRUE(mayDiscardEdits(session, messenger));
  EXPECT_TRUE(messenger.shown.empty());

  merge(0, 3);
  messenger.shown.clear();
  messenger.answers = {MessageAnswer::No};
  EXPECT_FALSE(mayDiscardEdits(session, messenger));
  ASSERT_EQ(messenger.shown.size(), 1u);
  EXPECT_EQ(messenger.shown[0].text,
            "Список блоков изменён и не сохранён. Закрыть без сохранения?");
  EXPECT_EQ(messenger.shown[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Question);
  // A search asks the same and, told no, keeps the list.
  const Seen edited = seen();
  messenger.answers = {MessageAnswer::No};
  EXPECT_FALSE(searchCommand.start());
  EXPECT_EQ(seen(), edited);

  dialogs.paths = {"w.dif"};
  ASSERT_TRUE(writeDif());
  EXPECT_FALSE(session.history().edited());
  undo();
  EXPECT_TRUE(session.history().edited());
  redo();
  EXPECT_FALSE(session.history().edited());
  // After a write a regrouping changes what the file holds.
  regroup(20);
  EXPECT_TRUE(session.history().edited());
  undo();
  EXPECT_FALSE(session.history().edited());
  // An edit after undoing past the write leaves no way back to it.
  undo();
  remove({0});
  EXPECT_TRUE(session.history().edited());
}

TEST_F(EditHistoryTest, DataBlocksOfAnEditedDifAreUndoneAndSavedBack) {
  // A name without ".dif": saving back writes that file, not a new one beside it.
  fs.files["patch.bin"] = DifBuilder(1).record(0x10, {1, 2, 3, 4}).bytes();
  ASSERT_TRUE(openDifCommand(session, listJobs, messenger, "patch.bin"));
  const Seen opened = seen();
  EXPECT_FALSE(session.history().edited());
  fs.files["d.dat"] = {7, 7, 7, 7, 7, 7};
  session.setInFile("d.dat");
  editor.answerDataBlock = [](DataBlockExchange& e) {
    e.destination = 0x40;
    e.length = 2;
    e.offset = 1;
    e.accepted = true;
  };
  blockCommands.addBlock();
  ASSERT_EQ(session.blocks().count(), 2);
  EXPECT_TRUE(session.history().edited());
  undo();
  EXPECT_EQ(seen().lines, opened.lines);
  redo();
  ASSERT_EQ(session.blocks().count(), 2);

  const std::size_t files = fs.files.size();
  ASSERT_TRUE(saveEditedDifCommand(session, messenger, std::chrono::milliseconds(0)));
  EXPECT_EQ(fs.files.size(), files);
  EXPECT_EQ(fs.files["patch.bin"],
            DifBuilder(2).record(0x10, {1, 2, 3, 4}).record(0x40, {7, 7}).bytes());
  EXPECT_FALSE(session.history().edited());
  EXPECT_TRUE(messenger.shown.empty());

  // Changed by another program since: asked first, and told no, nothing is written.
  remove({1});
  const Bytes theirs = DifBuilder(1).record(0x99, {5}).bytes();
  fs.files["patch.bin"] = theirs;
  messenger.answers = {MessageAnswer::No};
  EXPECT_FALSE(saveEditedDifCommand(session, messenger, std::chrono::milliseconds(0)));
  EXPECT_EQ(messenger.lastText(), "DIF файл изменён другой программой. Перезаписать?");
  EXPECT_EQ(fs.files["patch.bin"], theirs);
  EXPECT_TRUE(session.history().edited());

  // Outside DIF-editing mode there is nothing to save back.
  session.setEditingDif(false);
  EXPECT_FALSE(saveEditedDifCommand(session, messenger, std::chrono::milliseconds(0)));
}

}  // namespace
}  // namespace hm::test
