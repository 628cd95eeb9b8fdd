#include "editing/hex_key_filter.h"

#include <string>

#include <gtest/gtest.h>

namespace hm {
namespace {

struct KeyCase {
  const char* name;
  char32_t typed;
  std::optional<char32_t> expected;
};

class HexKeyFilterTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(HexKeyFilterTest, MapsTheTypedCharacter) {
  const KeyCase& c = GetParam();
  EXPECT_EQ(HexKeyFilter(c.typed), c.expected);
}

constexpr std::optional<char32_t> kNothing = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Table, HexKeyFilterTest,
    ::testing::Values(
        KeyCase{"Backspace", 8, 8}, KeyCase{"Tab", 9, 9}, KeyCase{"Enter", 13, 13},
        KeyCase{"Zero", U'0', U'0'}, KeyCase{"Nine", U'9', U'9'}, KeyCase{"UpperA", U'A', U'A'},
        KeyCase{"UpperF", U'F', U'F'}, KeyCase{"LowerA", U'a', U'A'}, KeyCase{"LowerF", U'f', U'F'},
        KeyCase{"CyrillicEfUpper", U'\u0424', U'A'}, KeyCase{"CyrillicEfLower", U'\u0444', U'A'},
        KeyCase{"CyrillicIUpper", U'\u0418', U'B'}, KeyCase{"CyrillicILower", U'\u0438', U'B'},
        KeyCase{"CyrillicEsUpper", U'\u0421', U'C'}, KeyCase{"CyrillicEsLower", U'\u0441', U'C'},
        KeyCase{"CyrillicVeUpper", U'\u0412', U'D'}, KeyCase{"CyrillicVeLower", U'\u0432', U'D'},
        KeyCase{"CyrillicUUpper", U'\u0423', U'E'}, KeyCase{"CyrillicULower", U'\u0443', U'E'},
        KeyCase{"CyrillicAUpper", U'\u0410', U'F'}, KeyCase{"CyrillicALower", U'\u0430', U'F'},
        // Letters just past the ranges and look-alikes that are not on the A-F keys.
        KeyCase{"UpperG", U'G', kNothing}, KeyCase{"LowerG", U'g', kNothing},
        KeyCase{"AtSign", U'@', kNothing}, KeyCase{"Backtick", U'`', kNothing},
        KeyCase{"Colon", U':', kNothing}, KeyCase{"Slash", U'/', kNothing},
        KeyCase{"Space", U' ', kNothing}, KeyCase{"Minus", U'-', kNothing},
        KeyCase{"CyrillicYa", U'\u044F', kNothing}, KeyCase{"CyrillicBe", U'\u0411', kNothing},
        KeyCase{"CyrillicIo", U'\u0401', kNothing}, KeyCase{"Cp1251CodeOfEf", U'\u00D4', kNothing},
        KeyCase{"FullwidthA", U'\uFF21', kNothing}, KeyCase{"Nul", 0, kNothing},
        KeyCase{"CtrlC", 3, kNothing}, KeyCase{"CtrlV", 0x16, kNothing},
        KeyCase{"CtrlX", 0x18, kNothing}, KeyCase{"LineFeed", 10, kNothing},
        KeyCase{"Escape", 27, kNothing}, KeyCase{"Delete", 127, kNothing}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hm
