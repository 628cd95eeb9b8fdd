// Any text as a block line: every field is read from the exact text between its tabs, the
// partial readers agree with the whole one, a line written back reads as the same line, and the
// hexadecimal formatting reads back as the number it was made from.

#include "blocks/block_line.h"
#include "blocks/hex_format.h"
#include "fuzz_check.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string_view> splitAtTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t begin = 0;;) {
    std::size_t tab = line.find('\t', begin);
    fields.push_back(line.substr(begin, tab == std::string_view::npos ? tab : tab - begin));
    if (tab == std::string_view::npos) return fields;
    begin = tab + 1;
  }
}

// Spaces around digits are allowed; anything else that is not a 32-bit hexadecimal number is 0.
std::int32_t expectedHex(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || value > 0xFFFFFFFFu) return 0;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

bool isUpperHex(std::string_view text) {
  return text.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
}

std::string_view fieldOrEmpty(const std::vector<std::string_view>& fields, std::size_t index) {
  return index < fields.size() ? fields[index] : std::string_view();
}

bool isAddress(std::int32_t value) {
  return value >= 0 && value <= 0xFFFFFF;
}

// The fields a line's form writes; the others read back as 0.
hm::BlockLine writtenPart(hm::BlockLine line) {
  if (line.form != hm::LineForm::DifEditing) {
    line.dataOffset = 0;
    line.dataPath.clear();
  }
  if (line.form == hm::LineForm::Addresses) line.length = line.distance = 0;
  return line;
}

void checkFields(std::string_view text) {
  std::vector<std::string_view> fields = splitAtTabs(text);
  hm::BlockLine line = hm::BlockLine::parse(text);
  HM_FUZZ_CHECK(line.start == expectedHex(fieldOrEmpty(fields, 0)));
  HM_FUZZ_CHECK(line.end == expectedHex(fieldOrEmpty(fields, 1)));
  HM_FUZZ_CHECK(line.length == expectedHex(fieldOrEmpty(fields, 2)));
  HM_FUZZ_CHECK(line.distance == expectedHex(fieldOrEmpty(fields, 3)));
  HM_FUZZ_CHECK(line.dataOffset == expectedHex(fieldOrEmpty(fields, 4)));
  HM_FUZZ_CHECK(line.dataPath == fieldOrEmpty(fields, 5));
  HM_FUZZ_CHECK((line.form == hm::LineForm::DifEditing) == (fields.size() >= 6));

  hm::BlockSpan span = hm::readBlockSpan(text);
  HM_FUZZ_CHECK(span.start == line.start && span.end == line.end);
  hm::DataSource source = hm::readDataSource(text);
  HM_FUZZ_CHECK(source.offset == line.dataOffset && source.path == line.dataPath);
  // The very same characters of the line, not a copy.
  HM_FUZZ_CHECK(source.path.empty() || source.path.data() == fields[5].data());

  // Addresses are written in six digits, so only six-digit ones come back as they were; the
  // path was cut at a tab when it was read, so none is left to cut again.
  if (isAddress(line.start) && isAddress(line.end)) {
    HM_FUZZ_CHECK(hm::BlockLine::parse(line.text()) == writtenPart(line));
  }
}

void checkParse(std::string_view text) {
  HM_FUZZ_CHECK(hm::parseHex(text) == expectedHex(text));
  for (int maxDigits : {1, 6, 8}) {
    std::int32_t value = 12345;
    bool ok = hm::parseHexStrict(text, maxDigits, value);
    bool digitsOnly = !text.empty() && static_cast<int>(text.size()) <= maxDigits &&
                      text.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
    HM_FUZZ_CHECK(ok == digitsOnly);
    HM_FUZZ_CHECK(value == (ok ? expectedHex(text) : 12345));
  }
}

void checkFormat(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  std::string shortest = hm::HexPad(v, 0);
  HM_FUZZ_CHECK(!shortest.empty() && shortest.size() % 2 == 0 && shortest.size() <= 8);
  HM_FUZZ_CHECK(isUpperHex(shortest));
  HM_FUZZ_CHECK(shortest.size() == 2 || shortest.substr(0, 2) != "00");
  HM_FUZZ_CHECK(hm::parseHex(shortest) == v);
  HM_FUZZ_CHECK(hm::parseHex("  " + shortest + " ") == v);
  std::int32_t strict = 0;
  HM_FUZZ_CHECK(hm::parseHexStrict(shortest, 8, strict) && strict == v);

  for (int width = 1; width <= 10; ++width) {
    std::string padded = hm::HexPad(v, width);
    HM_FUZZ_CHECK(static_cast<int>(padded.size()) == width && isUpperHex(padded));
    std::uint32_t kept = width >= 8 ? u : u & ((1u << (4 * width)) - 1);
    HM_FUZZ_CHECK(static_cast<std::uint32_t>(hm::parseHex(padded)) == kept);
    HM_FUZZ_CHECK(hm::HexField(v, width) == padded + "\t");
    std::string appended = "x";
    hm::appendHexField(appended, v, width);
    HM_FUZZ_CHECK(appended == "x" + padded + "\t");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  checkFields(text);
  checkParse(text);
  for (std::string_view field : splitAtTabs(text)) checkParse(field);
  for (std::size_t at = 0; at + 4 <= size && at < 64; at += 4) {
    std::uint32_t v = 0;
    std::memcpy(&v, data + at, 4);
    checkFormat(static_cast<std::int32_t>(v));
  }
  checkFormat(static_cast<std::int32_t>(size));
  return 0;
}
