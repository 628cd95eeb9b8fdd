#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hm {

// The one hexadecimal alphabet: upper-case digits out, either case in.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";
// The value of one hexadecimal digit, or -1 for any other character.
constexpr int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Upper-case hex of `value` (a negative one as its eight-digit two's complement) behind
// "000000", keeping the last `width` characters; width 0 keeps the digits, padded to an even count.
std::string HexPad(std::int32_t value, int width);

// HexPad followed by one tab: the form of every number of a block line, which BlockLine writes
// by a faster road of its own.
std::string HexField(std::int32_t value, int width);
void appendHexField(std::string& line, std::int32_t value, int width);

// A hex number with spaces around it; anything else (empty, not hex, over FFFFFFFF) is 0.
// Eight digits from 80000000 up read back as the negative value HexPad wrote them from.
std::int32_t parseHex(std::string_view text);

// Strict form for user input: digits only, at most `maxDigits`, no spaces; nothing otherwise.
bool parseHexStrict(std::string_view text, int maxDigits, std::int32_t& value);

}  // namespace hm
