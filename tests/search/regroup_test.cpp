#include "search/regroup.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace hm {
namespace {

using Lines = std::vector<std::string>;

Lines linesOf(const BlockList& list) {
  Lines lines;
  for (int i = 0; i < list.count(); ++i) lines.emplace_back(list.text(i));
  return lines;
}

void fill(BlockList& list, const Lines& lines) {
  list.clear();
  for (const std::string& line : lines) list.add(line);
}

// Ascending 0x10-0x12, 0x18, 0x2D-0x2F: gaps of 5 and 20, listed as the scan finds them.
const RawBlocks kThreeRuns{{0x2D, 0x2F, 0}, {0x18, 0x18, 20}, {0x10, 0x12, 5}};

struct RegroupCase {
  const char* name;
  RawBlocks raw;
  int minDistance;
  Lines expected;
};

void PrintTo(const RegroupCase& c, std::ostream* os) {
  *os << c.name;
}

class RegroupCases : public testing::TestWithParam<RegroupCase> {};

TEST_P(RegroupCases, JoinsRunsNoFartherApartThanTheMinimum) {
  const RegroupCase& c = GetParam();
  BlockList list;
  fill(list, {"000001\t000002\t02\t00\t"});
  regroup(c.raw, c.minDistance, list);
  EXPECT_THAT(linesOf(list), testing::ElementsAreArray(c.expected));
  // The lines are already what the recalculation makes of them.
  recalculate(list, false, static_cast<std::int32_t>(kMaxImageSize));
  EXPECT_THAT(linesOf(list), testing::ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Distances, RegroupCases,
    testing::Values(
        RegroupCase{"None", {}, 8, {}},
        RegroupCase{
            "D0KeepsEveryRun",
            kThreeRuns,
            0,
            {"000010\t000012\t03\t05\t", "000018\t000018\t01\t14\t", "00002D\t00002F\t03\t00\t"}},
        RegroupCase{
            "D4BelowTheFirstGap",
            kThreeRuns,
            4,
            {"000010\t000012\t03\t05\t", "000018\t000018\t01\t14\t", "00002D\t00002F\t03\t00\t"}},
        RegroupCase{"D5EqualToTheFirstGap",
                    kThreeRuns,
                    5,
                    {"000010\t000018\t09\t14\t", "00002D\t00002F\t03\t00\t"}},
        RegroupCase{"D8", kThreeRuns, 8, {"000010\t000018\t09\t14\t", "00002D\t00002F\t03\t00\t"}},
        RegroupCase{"D19BelowTheSecondGap",
                    kThreeRuns,
                    19,
                    {"000010\t000018\t09\t14\t", "00002D\t00002F\t03\t00\t"}},
        RegroupCase{"D20JoinsAll", kThreeRuns, 20, {"000010\t00002F\t20\t00\t"}},
        RegroupCase{"SingleRun", {{0, 0xFFFFFE, 0}}, 8, {"000000\tFFFFFE\tFFFFFF\t00\t"}},
        RegroupCase{"LastTwoJoined",
                    {{0x40, 0x40, 0}, {0x30, 0x30, 15}, {0x10, 0x10, 31}},
                    16,
                    {"000010\t000010\t01\t1F\t", "000030\t000040\t11\t00\t"}}),
    [](const testing::TestParamInfo<RegroupCase>& info) { return info.param.name; });

struct RecalcCase {
  const char* name;
  bool difEdit;
  std::int32_t targetLength;
  Lines input;
  Lines expected;
};

void PrintTo(const RecalcCase& c, std::ostream* os) {
  *os << c.name;
}

class RecalcCases : public testing::TestWithParam<RecalcCase> {};

TEST_P(RecalcCases, RewritesEveryLineFromTheListItself) {
  const RecalcCase& c = GetParam();
  BlockList list;
  fill(list, c.input);
  recalculate(list, c.difEdit, c.targetLength);
  EXPECT_THAT(linesOf(list), testing::ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    NormalMode, RecalcCases,
    testing::Values(RecalcCase{"Touching",
                               false,
                               0x1000,
                               {"000100\t00010F\t10\t00\t", "000110\t00011F\t10\t00\t"},
                               {"000100\t00011F\t20\t00\t"}},
                    RecalcCase{"OneByteApart",
                               false,
                               0x1000,
                               {"000100\t00010F\t10\t00\t", "000111\t00011F\t0F\t00\t"},
                               {"000100\t00010F\t10\t01\t", "000111\t00011F\t0F\t00\t"}},
                    RecalcCase{"Inside",
                               false,
                               0x1000,
                               {"000100\t000150\t51\t00\t", "000120\t00014F\t30\t00\t"},
                               {"000100\t000150\t51\t00\t"}},
                    RecalcCase{"Overlapping",
                               false,
                               0x1000,
                               {"000100\t000150\t51\t00\t", "000140\t000180\t41\t00\t"},
                               {"000100\t000180\t81\t00\t"}},
                    RecalcCase{"TouchesTheGroupNotThePreviousLine",
                               false,
                               0x1000,
                               {"000100\t000150\t\t", "000110\t000120\t\t", "000151\t000160\t\t",
                                "000170\t000170\t\t"},
                               {"000100\t000160\t61\t0F\t", "000170\t000170\t01\t00\t"}},
                    RecalcCase{"SameStart",
                               false,
                               0x1000,
                               {"000100\t000120\t", "000100\t000150\t"},
                               {"000100\t000150\t51\t00\t"}},
                    RecalcCase{"OnlyAddressesGiven",
                               false,
                               0x1000,
                               {"000100\t0001FF\t", "000300\t000300\t"},
                               {"000100\t0001FF\t0100\t0100\t", "000300\t000300\t01\t00\t"}},
                    RecalcCase{"LastLineClampedToTheTarget",
                               false,
                               0x1000,
                               {"000010\t000011\t02\t00\t", "000F00\t001005\t0106\t00\t"},
                               {"000010\t000011\t02\t0EEE\t", "000F00\t000FFF\t0100\t00\t"}},
                    RecalcCase{"LastLineEndingAtTheTargetEnd",
                               false,
                               0x1000,
                               {"000F00\t000FFF\t\t\t"},
                               {"000F00\t000FFF\t0100\t00\t"}},
                    RecalcCase{"LastLineWhollyPastTheTargetKept",
                               false,
                               0x100,
                               {"000200\t000300\t\t\t"},
                               {"000200\t000300\t0101\t00\t"}},
                    RecalcCase{"NoTargetBeforeASearch",
                               false,
                               0,
                               {"000100\t0001FF\t\t\t"},
                               {"000100\t0001FF\t0100\t00\t"}},
                    RecalcCase{"Empty", false, 0x1000, {}, {}}),
    [](const testing::TestParamInfo<RecalcCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    DifEditMode, RecalcCases,
    testing::Values(
        RecalcCase{
            "OverlappingKeptApartWithNegativeDistance",
            true,
            0,
            {"000100\t000150\t51\t00\t0200\t/data/a b.bin", "000140\t000180\t00\t00\t"},
            {"000100\t000150\t51\tFFFFFFEF\t0200\t/data/a b.bin", "000140\t000180\t41\t00\t00\t"}},
        RecalcCase{"TouchingKeptApart",
                   true,
                   0,
                   {"000100\t00010F\t\t\t10\t/d/\xD1\x84.bin", "000110\t00011F\t\t\t\t"},
                   {"000100\t00010F\t10\t00\t10\t/d/\xD1\x84.bin", "000110\t00011F\t10\t00\t00\t"}},
        RecalcCase{"NoClampToTheTarget",
                   true,
                   0x10,
                   {"000000\t00001F\t20\t00\t"},
                   {"000000\t00001F\t20\t00\t00\t"}},
        RecalcCase{"NextLineAtOffsetZeroReadsAsNone",
                   true,
                   0,
                   {"000000\t000010\t", "000000\t000020\t"},
                   {"000000\t000010\t11\t00\t00\t", "000000\t000020\t21\t00\t00\t"}}),
    [](const testing::TestParamInfo<RecalcCase>& info) { return info.param.name; });

// The address dialog rewrites a line where it stands, whatever its new start.
struct MovedLineCase {
  const char* name;
  bool difEdit;
  Lines input;
  int caret;
  std::string replacement;
  Lines expected;
};

void PrintTo(const MovedLineCase& c, std::ostream* os) {
  *os << c.name;
}

class MovedLineCases : public testing::TestWithParam<MovedLineCase> {};

TEST_P(MovedLineCases, NoLineIsLostWhenALineStandsOutOfOrder) {
  const MovedLineCase& c = GetParam();
  BlockList list;
  fill(list, c.input);
  list.setCaret(c.caret);
  list.replaceCaret(c.replacement);
  recalculate(list, c.difEdit, 0x1000);
  EXPECT_THAT(linesOf(list), testing::ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MovedLineCases,
    testing::Values(
        MovedLineCase{
            "MovedPastItsNeighbour",
            false,
            {"000100\t00010F\t10\t00\t", "000200\t00020F\t10\t00\t", "000300\t00030F\t10\t00\t"},
            0,
            "000250\t000260\t11\t00\t",
            {"000200\t00020F\t10\t40\t", "000250\t000260\t11\t9F\t", "000300\t00030F\t10\t00\t"}},
        MovedLineCase{
            "MovedBeforeItsNeighbours",
            false,
            {"000100\t00010F\t10\t00\t", "000200\t00020F\t10\t00\t", "000300\t00030F\t10\t00\t"},
            2,
            "000050\t000060\t11\t00\t",
            {"000050\t000060\t11\t9F\t", "000100\t00010F\t10\tF0\t", "000200\t00020F\t10\t00\t"}},
        MovedLineCase{"MovedOntoItsNeighbour",
                      false,
                      {"000100\t00010F\t10\t00\t", "000200\t00020F\t10\t00\t"},
                      0,
                      "0001F0\t000205\t16\t00\t",
                      {"0001F0\t00020F\t20\t00\t"}},
        MovedLineCase{"ShrunkPastAnOverlappingLineWhileEditingADif",
                      true,
                      {"000100\t0001FF\t0100\t00\t20\t/d/a.bin", "000150\t000160\t11\t00\t00\t"},
                      0,
                      "000180\t0001FF\t80\t00\t20\t/d/a.bin",
                      {"000150\t000160\t11\t1F\t00\t", "000180\t0001FF\t80\t00\t20\t/d/a.bin"}}),
    [](const testing::TestParamInfo<MovedLineCase>& info) { return info.param.name; });

// The selection and the caret stay with the blocks, whether or not a line changed; a line made
// of several is selected when one of them was.
TEST(Recalc, KeepsSelectionAndCaretWithTheirBlocks) {
  for (const Lines& input : {Lines{"000100\t00010F\t10\t10\t", "000120\t00012F\t10\t00\t"},
                             Lines{"000100\t00010F\t\t\t", "000120\t00012F\t\t\t"}}) {
    BlockList list;
    fill(list, input);
    list.setSelected(1, true);
    list.setCaret(1);
    recalculate(list, false, 0x1000);
    EXPECT_THAT(linesOf(list),
                testing::ElementsAre("000100\t00010F\t10\t10\t", "000120\t00012F\t10\t00\t"));
    EXPECT_EQ(list.selCount(), 1);
    EXPECT_TRUE(list.isSelected(1));
    EXPECT_EQ(list.caret(), 1);
  }
  BlockList joined;
  fill(joined, {"000100\t00010F\t\t\t", "000110\t00011F\t\t\t", "000200\t00020F\t\t\t"});
  joined.setSelected(1, true);
  joined.setCaret(2);
  recalculate(joined, false, 0x1000);
  EXPECT_THAT(linesOf(joined),
              testing::ElementsAre("000100\t00011F\t20\tE0\t", "000200\t00020F\t10\t00\t"));
  EXPECT_TRUE(joined.isSelected(0));
  EXPECT_EQ(joined.selCount(), 1);
  EXPECT_EQ(joined.caret(), 1);
}

TEST(Recalc, SortsLinesOfEqualAddressesByTheirText) {
  // Lines that already read as rewritten, but standing out of text order.
  const std::string first = "000100\t0001FF\t0100\tFFFFFF00\t20\t";
  const std::string second = "000100\t0001FF\t0100\t00\t00\t";
  BlockList list;
  list.insert(0, first);
  list.insert(1, second);
  recalculate(list, true, 0);
  EXPECT_THAT(linesOf(list), testing::ElementsAre(second, first));
}

TEST(Recalc, CountsTheBytesAndLinesItWrote) {
  BlockList list;
  fill(list, {"000100\t00010F\t", "000110\t00011F\t", "000200\t000200\t"});
  Totals totals = recalculate(list, false, 0x1000);
  EXPECT_EQ(totals.bytes, 0x21);
  EXPECT_EQ(totals.blocks, 2);
  EXPECT_EQ(totalsText(totals), "Кол-во байтов: 33;    Блоков: 2");
}

TEST(Recalc, EmptyListShowsZeroTotals) {
  BlockList list;
  regroup({}, kMinDistanceStart, list);
  EXPECT_EQ(totalsText(recalculate(list, false, 0)), "Кол-во байтов: 0;    Блоков: 0");
}

TEST(Regroup, SearchResultToLines) {
  const std::vector<std::uint8_t> source{0, 1, 2, 3, 4, 5};
  const std::vector<std::uint8_t> target{0xFF, 1, 2, 3, 4, 0xFF};
  ManualClock clock;
  RawBlocks raw;
  ASSERT_TRUE(scanDifferences(source.data(), source.size(), target.data(), target.size(), raw,
                              clock, nullptr));
  BlockList list;
  regroup(raw, 4, list);
  EXPECT_EQ(totalsText(recalculate(list, false, 6)), "Кол-во байтов: 6;    Блоков: 1");
  EXPECT_THAT(linesOf(list), testing::ElementsAre("000000\t000005\t06\t00\t"));
  regroup(raw, 3, list);
  EXPECT_EQ(totalsText(recalculate(list, false, 6)), "Кол-во байтов: 2;    Блоков: 2");
  EXPECT_THAT(linesOf(list),
              testing::ElementsAre("000000\t000000\t01\t04\t", "000005\t000005\t01\t00\t"));
}

}  // namespace
}  // namespace hm
