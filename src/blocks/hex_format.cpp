#include "blocks/hex_format.h"

namespace hm {

namespace {

int hexDigitCount(std::uint32_t v) {
  int n = 1;
  while (v >>= 4) ++n;
  return n;
}

}  // namespace

void appendHexField(std::string& line, std::int32_t value, int width) {
  auto v = static_cast<std::uint32_t>(value);
  int digits = hexDigitCount(v);
  int keep = width > 0 ? width : digits + (digits & 1);
  // Zero padding beyond the digits, then the digits' lowest `keep` places.
  for (int pos = keep - 1; pos >= 0; --pos) {
    line.push_back(pos < 8 ? kHexDigits[(v >> (pos * 4)) & 0xF] : '0');
  }
  line.push_back('\t');
}

std::string HexField(std::int32_t value, int width) {
  std::string s;
  appendHexField(s, value, width);
  return s;
}

std::string HexPad(std::int32_t value, int width) {
  std::string s = HexField(value, width);
  s.pop_back();
  return s;
}

bool parseHexStrict(std::string_view text, int maxDigits, std::int32_t& value) {
  if (text.empty() || static_cast<int>(text.size()) > maxDigits) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    int d = hexDigitValue(c);
    if (d < 0) return false;
    v = v * 16 + static_cast<std::uint64_t>(d);
  }
  if (v > 0xFFFFFFFFu) return false;
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  return true;
}

std::int32_t parseHex(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::uint64_t v = 0;
  if (text.empty()) return 0;
  for (char c : text) {
    int d = hexDigitValue(c);
    if (d < 0) return 0;
    v = v * 16 + static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

}  // namespace hm
