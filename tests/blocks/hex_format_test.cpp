#include "blocks/hex_format.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

struct PadCase {
  const char* name;
  std::int32_t value;
  int width;
  const char* expected;
};

class HexPadTest : public ::testing::TestWithParam<PadCase> {};

TEST_P(HexPadTest, Formats) {
  const PadCase& c = GetParam();
  EXPECT_EQ(HexPad(c.value, c.width), c.expected);
  EXPECT_EQ(HexField(c.value, c.width), std::string(c.expected) + "\t");
}

INSTANTIATE_TEST_SUITE_P(Widths, HexPadTest,
                         ::testing::Values(PadCase{"Address", 0x12A, 6, "00012A"},
                                           PadCase{"Zero", 0, 0, "00"},
                                           PadCase{"OneDigit", 5, 0, "05"},
                                           PadCase{"ThreeDigits", 0x123, 0, "0123"},
                                           PadCase{"FiveDigits", 0x12345, 0, "012345"},
                                           PadCase{"SevenDigits", 0x1000000, 0, "01000000"},
                                           PadCase{"MinusTwo", -2, 0, "FFFFFFFE"},
                                           PadCase{"MinusOne", -1, 0, "FFFFFFFF"},
                                           PadCase{"TooWideForSix", 0x1234567, 6, "234567"},
                                           PadCase{"ZeroAddress", 0, 6, "000000"},
                                           PadCase{"Largest", 0x7FFFFFFF, 0, "7FFFFFFF"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParseHexTest, ReadsWhatHexPadWrites) {
  for (std::int32_t v : {0, 1, 0xFF, 0xFFFFFF, 0x7FFFFFFF, -1, -2, -0x7FFFFFFF - 1}) {
    EXPECT_EQ(parseHex(HexPad(v, 0)), v) << v;
  }
}

TEST(ParseHexTest, UnreadableTextIsZero) {
  for (const char* text : {"", "  ", "G1", "1 2", "-5", "123456789", "0x10"}) {
    EXPECT_EQ(parseHex(text), 0) << text;
  }
  EXPECT_EQ(parseHex("abc"), 0xABC);
}

TEST(ParseHexStrictTest, RefusesWhatIsNotPlainHex) {
  std::int32_t v = 0;
  EXPECT_TRUE(parseHexStrict("1a2B", 6, v));
  EXPECT_EQ(v, 0x1A2B);
  for (const char* text : {"", " 1", "1G", "1234567"}) {
    EXPECT_FALSE(parseHexStrict(text, 6, v)) << text;
  }
}

}  // namespace
}  // namespace hm
