#include "search/line_codec.h"

#include <array>
#include <cstring>

#include "blocks/hex_format.h"

namespace hm {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

constexpr std::array<char, 512> kPairs = [] {
  std::array<char, 512> pairs{};
  for (int i = 0; i < 256; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = kDigits[i >> 4];
    pairs[static_cast<std::size_t>(2 * i + 1)] = kDigits[i & 15];
  }
  return pairs;
}();

constexpr std::array<std::int8_t, 256> kDigitValue = [] {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (int i = 0; i < 16; ++i)
    values[static_cast<unsigned char>(kDigits[i])] = static_cast<std::int8_t>(i);
  return values;
}();

char* writePairs(char* out, std::uint32_t v, int pairs) {
  for (int b = pairs - 1; b >= 0; --b) {
    std::memcpy(out, &kPairs[2 * ((v >> (8 * b)) & 0xFF)], 2);
    out += 2;
  }
  return out;
}

// Six upper-case digits, the form every rewritten line has; anything else takes the slow road.
bool readSixDigits(const char* p, std::int32_t& value) {
  std::int32_t v = 0;
  for (int i = 0; i < 6; ++i) {
    int d = kDigitValue[static_cast<unsigned char>(p[i])];
    if (d < 0) return false;
    v = v << 4 | d;
  }
  value = v;
  return true;
}

}  // namespace

char* writeHexField(char* out, std::int32_t value, int width) {
  auto v = static_cast<std::uint32_t>(value);
  if (width == 6) {
    out = writePairs(out, v, 3);
  } else if (width == 0) {
    int pairs = v < 0x100u ? 1 : v < 0x10000u ? 2 : v < 0x1000000u ? 3 : 4;
    out = writePairs(out, v, pairs);
  } else {
    for (int pos = width - 1; pos >= 0; --pos) *out++ = kDigits[(v >> (pos * 4)) & 0xF];
  }
  *out++ = '\t';
  return out;
}

char* writeBlockFields(char* out, std::int32_t start, std::int32_t end, std::int32_t length,
                       std::int32_t distance) {
  out = writeHexField(out, start, 6);
  out = writeHexField(out, end, 6);
  out = writeHexField(out, length, 0);
  return writeHexField(out, distance, 0);
}

LineSpan readLineSpan(std::string_view line) {
  LineSpan span;
  if (line.size() >= 14 && line[6] == '\t' && line[13] == '\t' &&
      readSixDigits(line.data(), span.start) && readSixDigits(line.data() + 7, span.end)) {
    return span;
  }
  return {lineField(line, 1).value, lineField(line, 2).value};
}

}  // namespace hm
