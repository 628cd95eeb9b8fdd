#include "blocks/recalc.h"

#include "search/regroup.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// After an edit a settled list is recalculated only around the changed lines; whatever the edit,
// the result must be the whole pass's, selection and caret included.
namespace hm {
namespace {

using Lines = std::vector<std::string>;

std::string line(int start, int end) {
  char text[32];
  std::snprintf(text, sizeof text, "%06X\t%06X\t00\t00\t", start, end);
  return text;
}

std::string difLine(int start, int end, int offset, const char* path) {
  char text[64];
  std::snprintf(text, sizeof text, "%06X\t%06X\t00\t00\t%02X\t%s", start, end, offset, path);
  return text;
}

struct Edit {
  enum Kind { Add, Remove, RemoveSelected, ReplaceCaret } kind;
  int index = 0;  // Remove: the line; ReplaceCaret: the caret
  std::string text;
  std::vector<int> selected;  // RemoveSelected
};

Edit add(std::string text) {
  return {Edit::Add, 0, std::move(text), {}};
}
Edit remove(int index) {
  return {Edit::Remove, index, {}, {}};
}
Edit removeSelected(std::vector<int> rows) {
  return {Edit::RemoveSelected, 0, {}, std::move(rows)};
}
Edit replaceCaret(int index, std::string text) {
  return {Edit::ReplaceCaret, index, std::move(text), {}};
}

void apply(BlockList& list, const Edit& edit) {
  switch (edit.kind) {
    case Edit::Add:
      list.add(edit.text);
      break;
    case Edit::Remove:
      list.remove(edit.index);
      break;
    case Edit::RemoveSelected:
      for (int row : edit.selected) list.setSelected(row, true);
      list.removeSelected();
      break;
    case Edit::ReplaceCaret:
      list.setCaret(edit.index);
      list.replaceCaret(edit.text);
      break;
  }
}

struct Outcome {
  Lines lines;
  std::vector<int> selected;
  int caret;
  std::int64_t bytes;
  int blocks;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  for (const std::string& l : o.lines) *os << "\n  " << testing::PrintToString(l);
  *os << "\n  selected " << testing::PrintToString(o.selected) << ", caret " << o.caret << ", "
      << o.bytes << " bytes, " << o.blocks << " blocks";
}

Outcome outcomeOf(const BlockList& list, const Totals& totals) {
  Outcome o{{}, {}, list.caret(), totals.bytes, totals.blocks};
  for (int i = 0; i < list.count(); ++i) {
    o.lines.emplace_back(list.text(i));
    if (list.isSelected(i)) o.selected.push_back(i);
  }
  return o;
}

struct Scenario {
  bool difEdit;
  std::int32_t targetLength;
  Lines start;
  std::vector<int> selected;  // before the edits
  int caret;
  std::vector<Edit> edits;
};

// Settles the list as the window leaves it, makes the edits, and recalculates: around the
// changes, or with `whole` over every line as if nothing had been settled.
Outcome run(const Scenario& s, bool whole, std::size_t* work = nullptr) {
  BlockList list;
  for (const std::string& l : s.start) list.add(l);
  recalculate(list, s.difEdit, s.targetLength);
  for (int row : s.selected) list.setSelected(row, true);
  list.setCaret(s.caret);
  for (const Edit& e : s.edits) apply(list, e);
  if (whole) list.markUnsettled();
  if (work) *work = recalcWork(list, s.difEdit, s.targetLength);
  const Totals totals = recalculate(list, s.difEdit, s.targetLength);
  return outcomeOf(list, totals);
}

Lines ladder(int lines, int step, int length) {
  Lines out;
  for (int i = 0; i < lines; ++i)
    out.push_back(line(0x100 + i * step, 0x100 + i * step + length - 1));
  return out;
}

struct EditCase {
  const char* name;
  Scenario scenario;
  bool aroundTheEdit;  // few lines are read
};

void PrintTo(const EditCase& c, std::ostream* os) {
  *os << c.name;
}

class EditCases : public testing::TestWithParam<EditCase> {};

TEST_P(EditCases, RecalculatingAroundAnEditGivesTheWholePass) {
  const EditCase& c = GetParam();
  std::size_t work = 0;
  const Outcome around = run(c.scenario, false, &work);
  EXPECT_EQ(around, run(c.scenario, true));
  if (c.aroundTheEdit) {
    EXPECT_LT(work, c.scenario.start.size());
  }
}

const Lines kTen = ladder(10, 0x20, 0x10);  // 0x100-0x10F, 0x120-0x12F, ... gaps of 0x10
// Overlapping lines, as DIF editing allows.
const Lines kDif{difLine(0x100, 0x1FF, 0x20, "/d/a.bin"), difLine(0x150, 0x160, 0, ""),
                 difLine(0x158, 0x170, 0x40, "/d/b.bin"), difLine(0x300, 0x30F, 0, ""),
                 difLine(0x310, 0x31F, 0x10, "/d/a.bin")};

INSTANTIATE_TEST_SUITE_P(
    Edits, EditCases,
    testing::Values(
        EditCase{"DeleteInTheMiddle", {false, 0x1000, kTen, {4}, 4, {remove(4)}}, true},
        EditCase{"DeleteTheFirst", {false, 0x1000, kTen, {}, 0, {remove(0)}}, true},
        EditCase{"DeleteTheLast", {false, 0x1000, kTen, {}, 9, {remove(9)}}, true},
        EditCase{
            "DeleteScattered", {false, 0x1000, kTen, {}, 5, {removeSelected({1, 5, 6, 9})}}, false},
        EditCase{"MergeTwoNeighbours",
                 {false, 0x1000, kTen, {3, 4}, 3, {add(line(0x160, 0x18F))}},
                 true},
        EditCase{"MergeSelectedAcrossFive",
                 {false, 0x1000, kTen, {2, 3, 4, 5, 6}, 4, {add(line(0x140, 0x1CF))}},
                 true},
        EditCase{"AddInAGap", {false, 0x1000, kTen, {7}, 7, {add(line(0x114, 0x118))}}, true},
        EditCase{"AddTouchingBothNeighbours",
                 {false, 0x1000, kTen, {}, 2, {add(line(0x130, 0x13F))}},
                 true},
        EditCase{"AddWithTheStartOfALine",
                 {false, 0x1000, kTen, {5}, -1, {add(line(0x1A0, 0x1A3))}},
                 true},
        EditCase{"AddInsideALine", {false, 0x1000, kTen, {}, 1, {add(line(0x124, 0x126))}}, true},
        EditCase{"AddBeforeTheFirst", {false, 0x1000, kTen, {0}, 0, {add(line(0, 0x20))}}, true},
        EditCase{
            "AddPastTheEndIsClamped", {false, 0x230, kTen, {}, 9, {add(line(0x228, 0x300))}}, true},
        EditCase{
            "AddAfterAClampedLast", {false, 0x220, kTen, {}, 9, {add(line(0x240, 0x250))}}, true},
        EditCase{"ReAddressWithinItsGap",
                 {false, 0x1000, kTen, {5}, 5, {replaceCaret(5, line(0x1A8, 0x1B8))}},
                 true},
        EditCase{"ReAddressOntoTheNext",
                 {false, 0x1000, kTen, {}, 5, {replaceCaret(5, line(0x1A0, 0x1C4))}},
                 true},
        EditCase{"ReAddressPastThreeLines",
                 {false, 0x1000, kTen, {5}, 5, {replaceCaret(5, line(0x208, 0x20A))}},
                 true},
        EditCase{"ReAddressToTheStart",
                 {false, 0x1000, kTen, {}, 8, {replaceCaret(8, line(0x10, 0x12))}},
                 false},
        EditCase{"SeveralEditsBeforeOneRecalculation",
                 {false, 0x1000, kTen, {}, 3, {remove(2), add(line(0x1E4, 0x1E8)), remove(6)}},
                 true},
        EditCase{"DifEditingDelete", {true, 0, kDif, {1}, 2, {remove(1)}}, true},
        EditCase{"DifEditingOverlappingAdd",
                 {true, 0, kDif, {}, 3, {add(difLine(0x305, 0x318, 0, "/d/c.bin"))}},
                 true},
        // Lines of equal addresses sort by their text, distance first: no settled order.
        EditCase{"DifEditingEqualAddresses",
                 {true, 0, kDif, {2}, 1, {add(difLine(0x150, 0x160, 0x08, "/d/a.bin"))}},
                 false},
        EditCase{"DifEditingReAddress",
                 {true, 0, kDif, {}, 3, {replaceCaret(3, difLine(0x302, 0x304, 0, ""))}},
                 true}),
    [](const testing::TestParamInfo<EditCase>& info) { return info.param.name; });

// Lines drawn at random, edits drawn at random: the two ways must never part.
TEST(RecalcAround, RandomEditsGiveTheWholePass) {
  std::mt19937 random(1303);
  int around = 0;
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int round = 0; round < 400; ++round) {
    Scenario s{round % 3 == 0, 0x800, {}, {}, -1, {}};
    const int lines = 2 + below(30);
    for (int i = 0; i < lines; ++i) {
      const int start = below(0x800);
      const int end = start + below(0x30);
      s.start.push_back(s.difEdit ? difLine(start, end, below(4), below(2) ? "/x" : "")
                                  : line(start, end));
    }
    s.caret = below(lines) - 1;
    for (int k = 0; k < 3; ++k) {
      const int start = below(0x840);
      const std::string text = s.difEdit ? difLine(start, start + below(0x40), 0, "/y")
                                         : line(start, start + below(0x40));
      switch (below(4)) {
        case 0:
          s.edits.push_back(add(text));
          break;
        case 1:
          s.edits.push_back(remove(below(lines)));
          break;
        case 2:
          s.edits.push_back(removeSelected({below(lines), below(lines)}));
          break;
        default:
          s.edits.push_back(replaceCaret(below(lines), text));
          break;
      }
    }
    s.selected = {below(lines), below(lines)};
    std::size_t work = 0;
    ASSERT_EQ(run(s, false, &work), run(s, true)) << "round " << round;
    around += work < static_cast<std::size_t>(lines) ? 1 : 0;
  }
  // Most rounds must have taken the short way, or the comparison proves little.
  EXPECT_GT(around, 200);
}

// The same work in pieces on another thread or at once, in place, gives the same list.
TEST(RecalcInto, GivesWhatRecalculatingInPlaceGives) {
  BlockList list;
  for (const std::string& l : ladder(200'000, 3, 2)) list.add(l);
  list.setSelected(7, true);
  list.setCaret(8);
  BlockList built;
  int asked = 0;
  const std::optional<Totals> totals =
      recalcInto(list, built, false, 0x100000, [&asked] { return ++asked > 0; });
  ASSERT_TRUE(totals);
  EXPECT_GT(asked, 0);
  const Totals inPlace = recalculate(list, false, 0x100000);
  EXPECT_EQ(outcomeOf(built, *totals), outcomeOf(list, inPlace));
  EXPECT_TRUE(built.settled());

  BlockList stopped;
  EXPECT_FALSE(recalcInto(list, stopped, false, 0x100000, [] { return false; }));
}

// A DIF's records go straight to the recalculation: the lines must be those of listing the
// records first, in any order, with repeated and overlapping blocks.
TEST(RecalcBlocks, GivesWhatListingTheBlocksFirstGives) {
  std::mt19937 random(4242);
  for (int round = 0; round < 200; ++round) {
    const bool difEdit = round % 4 != 0;
    const std::int32_t target = round % 2 ? 0x400 : 0;
    PerRow<BlockSpan> blocks;
    BlockList listed;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      const auto start = static_cast<std::int32_t>(random() % 0x420);
      const BlockSpan span{start, start + static_cast<std::int32_t>(random() % 0x20)};
      // Sometimes in order, as the program writes its DIFs.
      blocks.push_back(round % 3 ? span : BlockSpan{i * 0x40, i * 0x40 + span.end - span.start});
      BlockLine line;
      line.form = LineForm::Addresses;
      line.start = blocks.back().start;
      line.end = blocks.back().end;
      listed.add(line);
    }
    BlockList expected;
    const std::optional<Totals> totals =
        recalcTaking(std::move(listed), expected, difEdit, target, {});
    BlockList built;
    const std::optional<Totals> direct =
        recalcBlocks(std::move(blocks), built, difEdit, target, {});
    ASSERT_TRUE(totals && direct);
    ASSERT_EQ(outcomeOf(built, *direct), outcomeOf(expected, *totals)) << "round " << round;
    EXPECT_EQ(built.settled(), expected.settled());
  }
  BlockList stopped;
  PerRow<BlockSpan> many(200'000, BlockSpan{1, 2});
  EXPECT_FALSE(recalcBlocks(std::move(many), stopped, true, 0, [] { return false; }));
}

TEST(Regroup, LeavesAListTheRecalculationKeepsAsItIs) {
  RawBlocks raw;
  for (std::int32_t s = 0x2000; s >= 0; s -= 4) raw.push_back({s, s + 1, s == 0x2000 ? 0 : 2});
  for (int distance : {0, 2, 8}) {
    BlockList list;
    ASSERT_TRUE(regroup(raw, distance, list, 0x2002));
    EXPECT_TRUE(list.settled());
    EXPECT_EQ(recalcWork(list, false, 0x2002), 0u);
    BlockList again;
    regroup(raw, distance, again);
    EXPECT_FALSE(again.settled());
    EXPECT_EQ(outcomeOf(list, recalculate(list, false, 0x2002)),
              outcomeOf(again, recalculate(again, false, 0x2002)));
  }
  // A target that ends inside the last block is clamped by the recalculation: not settled.
  BlockList cut;
  regroup(raw, 0, cut, 0x2001);
  EXPECT_FALSE(cut.settled());
  int asked = 0;
  BlockList stopped;
  EXPECT_FALSE(regroup(raw, 0, stopped, 0x2002, [&asked] { return ++asked < 1; }));
}

}  // namespace
}  // namespace hm
