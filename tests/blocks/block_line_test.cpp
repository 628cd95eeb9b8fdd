#include "blocks/block_line.h"

#include "blocks/hex_format.h"

#include <climits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace hm {
namespace {

BlockLine addresses(std::int32_t start, std::int32_t end) {
  return {LineForm::Addresses, start, end, 0, 0, 0, ""};
}

BlockLine normal(std::int32_t start, std::int32_t end, std::int32_t length, std::int32_t distance) {
  return {LineForm::Normal, start, end, length, distance, 0, ""};
}

BlockLine editing(std::int32_t start, std::int32_t end, std::int32_t length, std::int32_t offset,
                  const char* path) {
  return {LineForm::DifEditing, start, end, length, 0, offset, path};
}

struct RoundTripCase {
  const char* name;
  BlockLine line;
  const char* text;
};

class BlockLineRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BlockLineRoundTrip, WritesTheTextAndReadsTheSameLineBack) {
  const RoundTripCase& c = GetParam();
  EXPECT_EQ(c.line.text(), c.text);
  EXPECT_EQ(BlockLine::parse(c.text), c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BlockLineRoundTrip,
    testing::Values(RoundTripCase{"Normal", normal(0x12A, 0x12F, 6, 0x1F),
                                  "00012A\t00012F\t06\t1F\t"},
                    RoundTripCase{"OddDigitCountsArePadded", normal(0, 0x12344, 0x12345, 0x123),
                                  "000000\t012344\t012345\t0123\t"},
                    RoundTripCase{"NegativeDistanceInEightDigits", normal(0x100, 0x1FF, 0x100, -2),
                                  "000100\t0001FF\t0100\tFFFFFFFE\t"},
                    RoundTripCase{"LargestAddress", normal(0xFFFFFF, 0xFFFFFF, 1, 0),
                                  "FFFFFF\tFFFFFF\t01\t00\t"},
                    RoundTripCase{"AddressesOnly", addresses(0x100, 0x1FF), "000100\t0001FF\t"},
                    RoundTripCase{"DataBlockWithPathWithSpaces",
                                  editing(0x100, 0x1FF, 0x100, 0x200, "/data/a file.bin"),
                                  "000100\t0001FF\t0100\t00\t0200\t/data/a file.bin"},
                    RoundTripCase{"DifBlockHasAnEmptyPath", editing(0x300, 0x3FF, 0x100, 0x400, ""),
                                  "000300\t0003FF\t0100\t00\t0400\t"},
                    RoundTripCase{"OverlapInEditingMode",
                                  {LineForm::DifEditing, 0x10, 0x1F, 0x10, -0x11, 0, "/d"},
                                  "000010\t00001F\t10\tFFFFFFEF\t00\t/d"}),
    [](const auto& info) { return std::string(info.param.name); });

struct LenientCase {
  const char* name;
  const char* text;
  BlockLine line;
};

class BlockLineLenientRead : public testing::TestWithParam<LenientCase> {};

TEST_P(BlockLineLenientRead, ReadsWhatItCanAndZeroForTheRest) {
  EXPECT_EQ(BlockLine::parse(GetParam().text), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BlockLineLenientRead,
    testing::Values(
        LenientCase{"Empty", "", addresses(0, 0)},
        LenientCase{"NoTabAfterTheEnd", "000100\t0001FF", addresses(0x100, 0x1FF)},
        LenientCase{"SpacesAroundDigits", "000100\t 1F \t", addresses(0x100, 0x1F)},
        LenientCase{"LowerCase", "00a12b\t00c12f\t06\t1f\t", normal(0xA12B, 0xC12F, 6, 0x1F)},
        LenientCase{"UnreadableFieldIsZero", "00012G\t00012F\t0X\t1F\t", normal(0, 0x12F, 0, 0x1F)},
        LenientCase{"MissingLengthAndDistance", "000100\t0001FF\t\t\t", normal(0x100, 0x1FF, 0, 0)},
        LenientCase{"NineDigitsAreZero", "000100\t0001FF\t123456789\t00\t",
                    normal(0x100, 0x1FF, 0, 0)},
        LenientCase{"PathWithoutOffset", "000100\t0001FF\t0100\t00\t\t/d",
                    editing(0x100, 0x1FF, 0x100, 0, "/d")}),
    [](const auto& info) { return std::string(info.param.name); });

class PartialReads : public testing::TestWithParam<std::string> {};

// The passes over millions of lines read only some fields, some by a fast road of their own.
TEST_P(PartialReads, ReadAsTheWholeLineIsRead) {
  const std::string& text = GetParam();
  BlockLine line = BlockLine::parse(text);
  BlockSpan span = readBlockSpan(text);
  EXPECT_EQ(span.start, line.start);
  EXPECT_EQ(span.end, line.end);
  DataSource source = readDataSource(text);
  EXPECT_EQ(source.offset, line.dataOffset);
  EXPECT_EQ(source.path, line.dataPath);
}

INSTANTIATE_TEST_SUITE_P(Lines, PartialReads,
                         testing::Values("00012A\t00012F\t06\t1F\t", "000100\t0001FF\t",
                                         "000100\t0001FF", "00a12b\t00c12f\t", " 00012A\t00012F \t",
                                         "12A\t12F\t", "0000012A\t00012F\t", "FFFFFFEF\t000010\t",
                                         "00012G\t00012F\t", "00012A00012F\t\t", "00012A", "",
                                         "\t\t", "000100\t0001F\t\t\t",
                                         "000100\t0001FF\t0100\t00\t0200\t/a b/c.bin",
                                         "000100\t0001FF\t0100\t00\t0200\t/a\tb"));

// The fast writer against the plain formatter every number of a line is defined by.
TEST(BlockLineText, AddressesKeepTheirLastSixDigits) {
  EXPECT_EQ(normal(0x1234567, -1, INT_MIN, 0x7FFFFFFF).text(),
            "234567\tFFFFFF\t80000000\t7FFFFFFF\t");
}

TEST(BlockLineText, IsTheJoinOfHexFields) {
  std::vector<std::int32_t> values{0,      1,       0xF,        0x10,      0xFF, 0x100,
                                   0xFFFF, 0x10000, 0xFFFFFF,   0x1000000, -1,   -2,
                                   -0x11,  INT_MIN, 0x7FFFFFFF, 0x0ABCDEF0};
  std::mt19937 rng(5);
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<std::int32_t>(rng() >> (rng() % 32)));
  for (std::size_t i = 0; i + 4 < values.size(); ++i) {
    BlockLine line{LineForm::DifEditing, values[i], values[i + 1], values[i + 2], values[i + 3],
                   values[i + 4],        "p"};
    std::string expected = HexField(line.start, 6) + HexField(line.end, 6) +
                           HexField(line.length, 0) + HexField(line.distance, 0) +
                           HexField(line.dataOffset, 0) + "p";
    ASSERT_EQ(line.text(), expected);
  }
}

}  // namespace
}  // namespace hm
