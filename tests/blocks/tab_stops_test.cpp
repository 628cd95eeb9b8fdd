#include "blocks/tab_stops.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

struct StopsCase {
  const char* name;
  std::vector<int> rightEdges;
  std::vector<int> expected;
};

class TabStopsForTest : public ::testing::TestWithParam<StopsCase> {};

TEST_P(TabStopsForTest, LastColumnGetsNoStop) {
  EXPECT_EQ(tabStopsFor(GetParam().rightEdges), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, TabStopsForTest,
    ::testing::Values(
        StopsCase{"StartUpColumns", {75, 150, 225, 300}, {50, 100, 150}},
        StopsCase{"DifEditingColumns", {49, 98, 143, 192, 241, 416}, {33, 65, 95, 128, 161}},
        StopsCase{"FirstDividerDraggedTo90", {90, 165, 240, 315}, {60, 110, 160}},
        StopsCase{"TwoColumns", {75, 150}, {50}}, StopsCase{"OneColumn", {75}, {}},
        StopsCase{"NoColumns", {}, {}}, StopsCase{"CollapsedColumn", {0, 75}, {0}}),
    [](const auto& info) { return std::string(info.param.name); });

struct NextStopCase {
  const char* name;
  int x;
  std::vector<int> stops;
  int expected;
};

class NextTabStopTest : public ::testing::TestWithParam<NextStopCase> {};

TEST_P(NextTabStopTest, FirstStopRightOfX) {
  EXPECT_EQ(nextTabStop(GetParam().x, GetParam().stops), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, NextTabStopTest,
    ::testing::Values(NextStopCase{"DefaultFromStart", 0, {}, 48},
                      NextStopCase{"DefaultOnAStopMovesOn", 48, {}, 96},
                      NextStopCase{"DefaultBetweenStops", 50, {}, 96},
                      NextStopCase{"SetStopBeforeIt", 10, {50, 100, 150}, 75},
                      NextStopCase{"SetStopExactlyOnIt", 75, {50, 100, 150}, 150},
                      NextStopCase{"SetStopsSkipped", 160, {50, 100, 150}, 225},
                      NextStopCase{"PastTheLastSetStop", 225, {50, 100, 150}, 240},
                      NextStopCase{"SingleStopRepeats", 80, {50}, 150},
                      NextStopCase{"HalfPixelRoundsUp", 0, {33, 65}, 50}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm
