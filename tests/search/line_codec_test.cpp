#include "search/line_codec.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "blocks/hex_format.h"

namespace hm {
namespace {

std::string written(std::int32_t value, int width) {
  char buffer[kHexFieldMax];
  return std::string(buffer, writeHexField(buffer, value, width));
}

TEST(WriteHexField, WritesWhatHexFieldWrites) {
  std::vector<std::int32_t> values{
      0,        1,         0xF,       0x10,       0xFF, 0x100, 0xFFF, 0x1000,  0xFFFF,    0x10000,
      0xFFFFFF, 0x1000000, 0x1234567, 0x7FFFFFFF, -1,   -2,    -0x11, INT_MIN, 0x0ABCDEF0};
  std::mt19937 rng(5);
  for (int i = 0; i < 2000; ++i) {
    values.push_back(static_cast<std::int32_t>(rng() >> (rng() % 32)));
  }
  for (std::int32_t value : values) {
    for (int width = 0; width <= 8; ++width) {
      ASSERT_EQ(written(value, width), HexField(value, width)) << value << " width " << width;
    }
  }
}

TEST(WriteBlockFields, JoinsTheFourFields) {
  char buffer[kBlockFieldsMax];
  std::string line(buffer, writeBlockFields(buffer, 0x12A, 0x12F, 6, 0x1F));
  EXPECT_EQ(line, "00012A\t00012F\t06\t1F\t");
  line.assign(buffer, writeBlockFields(buffer, 0x1234567, -1, INT_MIN, 0x7FFFFFFF));
  EXPECT_EQ(line, "234567\tFFFFFF\t80000000\t7FFFFFFF\t");
}

class ReadLineSpan : public testing::TestWithParam<std::string> {};

TEST_P(ReadLineSpan, ReadsWhatLineFieldReads) {
  const std::string& line = GetParam();
  LineSpan span = readLineSpan(line);
  EXPECT_EQ(span.start, lineField(line, 1).value);
  EXPECT_EQ(span.end, lineField(line, 2).value);
}

INSTANTIATE_TEST_SUITE_P(Lines, ReadLineSpan,
                         testing::Values("00012A\t00012F\t06\t1F\t", "000100\t0001FF\t",
                                         "000100\t0001FF", "00a12b\t00c12f\t", " 00012A\t00012F \t",
                                         "12A\t12F\t", "0000012A\t00012F\t", "FFFFFFEF\t000010\t",
                                         "00012G\t00012F\t", "00012A00012F\t\t", "00012A", "",
                                         "\t\t", "000100\t0001F\t\t\t"));

}  // namespace
}  // namespace hm
