#include "editing/block_merge.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

void fill(BlockList& list) {
  for (const char* line :
       {"000010\t000012\t03\t05\t", "000018\t000018\t01\t14\t", "00002D\t00002F\t03\t10\t",
        "000040\t00004F\t10\t0100\t", "000150\t0001FF\tB0\t00\t"}) {
    list.add(line);
  }
}

struct MergeCase {
  const char* name;
  std::vector<int> selected;
  MergeCheck expected;
  int low;
  int high;
};

class CheckMergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(CheckMergeTest, JudgesTheSelection) {
  const MergeCase& c = GetParam();
  BlockList list;
  fill(list);
  for (int i : c.selected) list.setSelected(i, true);
  MergeSpan span;
  EXPECT_EQ(checkMerge(list, span), c.expected);
  if (c.expected == MergeCheck::Ok) {
    EXPECT_EQ(span.low, c.low);
    EXPECT_EQ(span.high, c.high);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Selections, CheckMergeTest,
    ::testing::Values(MergeCase{"Nothing", {}, MergeCheck::TooFew, 0, 0},
                      MergeCase{"Single", {2}, MergeCheck::TooFew, 0, 0},
                      MergeCase{"FirstTwo", {0, 1}, MergeCheck::Ok, 0, 1},
                      MergeCase{"LastTwo", {3, 4}, MergeCheck::Ok, 3, 4},
                      MergeCase{"Middle", {1, 2, 3}, MergeCheck::Ok, 1, 3},
                      MergeCase{"All", {0, 1, 2, 3, 4}, MergeCheck::Ok, 0, 4},
                      MergeCase{"OneTwoFour", {1, 2, 4}, MergeCheck::NotNeighbouring, 0, 0},
                      MergeCase{"FirstAndLast", {0, 4}, MergeCheck::NotNeighbouring, 0, 0},
                      MergeCase{"GapAtFront", {0, 2, 3}, MergeCheck::NotNeighbouring, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergedLineTest, SpansFromLowStartToHighEndWithHighDistance) {
  BlockList list;
  fill(list);
  EXPECT_EQ(mergedLine(list, {2, 3}).text(), "00002D\t00004F\t23\t0100\t");
}

TEST(MergedLineTest, CoversTheGapBetweenFarApartNeighbours) {
  BlockList list;
  fill(list);
  EXPECT_EQ(mergedLine(list, {3, 4}).text(), "000040\t0001FF\t01C0\t00\t");
}

TEST(MergedLineTest, WholeListGivesOneBlockFromFirstStartToLastEnd) {
  BlockList list;
  fill(list);
  EXPECT_EQ(mergedLine(list, {0, 4}).text(), "000010\t0001FF\t01F0\t00\t");
}

}  // namespace
}  // namespace hm
