#include "blocks/block_line.h"

#include "blocks/hex_format.h"

#include <array>
#include <cstring>

namespace hm {

namespace {

// Lines are written and read by the million when a search is regrouped or a DIF is written, so
// digits go out two at a time and six-digit addresses come back without the general reader.
constexpr std::array<char, 512> kPairs = [] {
  std::array<char, 512> pairs{};
  for (int i = 0; i < 256; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = kHexDigits[i >> 4];
    pairs[static_cast<std::size_t>(2 * i + 1)] = kHexDigits[i & 15];
  }
  return pairs;
}();

constexpr std::array<std::int8_t, 256> kDigitValue = [] {
  std::array<std::int8_t, 256> values{};
  values.fill(-1);
  for (int i = 0; i < 16; ++i)
    values[static_cast<unsigned char>(kHexDigits[i])] = static_cast<std::int8_t>(i);
  return values;
}();

char* writePairs(char* out, std::uint32_t v, int pairs) {
  for (int b = pairs - 1; b >= 0; --b) {
    std::memcpy(out, &kPairs[2 * ((v >> (8 * b)) & 0xFF)], 2);
    out += 2;
  }
  return out;
}

// HexField(value, 6): a value of more digits keeps its last six.
char* writeAddress(char* out, std::int32_t value) {
  out = writePairs(out, static_cast<std::uint32_t>(value), 3);
  *out++ = '\t';
  return out;
}

// HexField(value, 0): the digits, padded to an even count; a negative value in eight. Kept
// inline: called out of line it makes writing a line half again as slow.
[[gnu::always_inline]] inline char* writeNumber(char* out, std::int32_t value) {
  auto v = static_cast<std::uint32_t>(value);
  int pairs = v < 0x100u ? 1 : v < 0x10000u ? 2 : v < 0x1000000u ? 3 : 4;
  out = writePairs(out, v, pairs);
  *out++ = '\t';
  return out;
}

// Six upper-case digits, the form every written address has; anything else takes the slow road.
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

// Walks a line's tab-separated fields from the first. A field is the raw text up to the next
// tab or the end of the line; a field the line does not have is empty.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view text) : rest_(text) {}

  std::string_view next() {
    if (ended_) return {};
    std::size_t tab = rest_.find('\t');
    if (tab == std::string_view::npos) {
      ended_ = true;
      return rest_;
    }
    ++tabs_;
    std::string_view field = rest_.substr(0, tab);
    rest_.remove_prefix(tab + 1);
    return field;
  }

  void skip(int count) {
    while (count-- > 0) next();
  }

  int tabs() const { return tabs_; }

 private:
  std::string_view rest_;
  bool ended_ = false;
  int tabs_ = 0;
};

// The form that writes the line back with the fields it has: a tab after the data offset opens
// a path field, even an empty one.
LineForm formOf(int tabs) {
  if (tabs >= 5) return LineForm::DifEditing;
  if (tabs >= 3) return LineForm::Normal;
  return LineForm::Addresses;
}

}  // namespace

BlockLine BlockLine::parse(std::string_view text) {
  FieldCursor fields(text);
  BlockLine line;
  line.start = parseHex(fields.next());
  line.end = parseHex(fields.next());
  line.length = parseHex(fields.next());
  line.distance = parseHex(fields.next());
  line.dataOffset = parseHex(fields.next());
  line.dataPath = fields.next();
  line.form = formOf(fields.tabs());
  return line;
}

char* BlockLine::writeNumbers(char* out) const {
  out = writeAddress(out, start);
  out = writeAddress(out, end);
  if (form == LineForm::Addresses) return out;
  out = writeNumber(out, length);
  out = writeNumber(out, distance);
  if (form == LineForm::Normal) return out;
  return writeNumber(out, dataOffset);
}

void BlockLine::appendTo(std::string& out) const {
  char numbers[kNumbersMax];
  out.append(numbers, writeNumbers(numbers));
  if (form == LineForm::DifEditing) out += dataPath;
}

std::string BlockLine::text() const {
  std::string out;
  appendTo(out);
  return out;
}

BlockSpan readBlockSpan(std::string_view text) {
  BlockSpan span;
  if (text.size() >= 14 && text[6] == '\t' && text[13] == '\t' &&
      readSixDigits(text.data(), span.start) && readSixDigits(text.data() + 7, span.end)) {
    return span;
  }
  FieldCursor fields(text);
  span.start = parseHex(fields.next());
  span.end = parseHex(fields.next());
  return span;
}

DataSource readDataSource(std::string_view text) {
  FieldCursor fields(text);
  fields.skip(4);
  std::int32_t offset = parseHex(fields.next());
  return {offset, fields.next()};
}

bool fitsBlockLine(std::string_view path) {
  return path.find_first_of("\t\n\r") == std::string_view::npos;
}

}  // namespace hm
