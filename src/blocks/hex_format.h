#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hm {

// Upper-case hex of `value` (a negative one as its eight-digit two's complement) behind
// "000000", keeping the last `width` characters; width 0 keeps the digits, padded to an even count.
std::string HexPad(std::int32_t value, int width);

// HexPad followed by one tab: the unit block lines are built from.
std::string HexField(std::int32_t value, int width);
void appendHexField(std::string& line, std::int32_t value, int width);

// A hex number with spaces around it; anything else (empty, not hex, over FFFFFFFF) is 0.
// Eight digits from 80000000 up read back as the negative value HexPad wrote them from.
std::int32_t parseHex(std::string_view text);

// Strict form for user input: digits only, at most `maxDigits`, no spaces; nothing otherwise.
bool parseHexStrict(std::string_view text, int maxDigits, std::int32_t& value);

struct LineField {
  std::string_view text;  // raw, not trimmed
  std::int32_t value;     // parseHex(text)
};

// Field `field` (from 1) of a tab-separated block line; a missing field is empty and 0.
LineField lineField(std::string_view line, int field);

// Whether a data file's path can end a block line: a tab in it would start another field and a
// line break another line, so the rest of the name would be read as a different file.
bool fitsBlockLine(std::string_view path);
inline constexpr const char* kBadDataFileNameText = "Недопустимое имя файла данных!";

}  // namespace hm
