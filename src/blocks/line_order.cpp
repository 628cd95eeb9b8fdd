#include "blocks/line_order.h"

namespace hm {

namespace {

constexpr std::int32_t kSixDigits = 0xFFFFFF;

template <class T>
int threeWay(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// A number's field sorts as its digits do with the tab after them, and a tab sorts before any
// digit: the digits read left-aligned, then the shorter field first.
std::uint64_t numberKey(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const int digits = v < 0x100u ? 2 : v < 0x10000u ? 4 : v < 0x1000000u ? 6 : 8;
  const std::uint64_t aligned = std::uint64_t{v} << (32 - 4 * digits);
  return (aligned << 8) | static_cast<std::uint64_t>(digits);
}

int compareNumbers(std::int32_t a, std::int32_t b) {
  return a == b ? 0 : threeWay(numberKey(a), numberKey(b));
}

}  // namespace

LineFields fieldsOf(const BlockLine& line) {
  return {line.form,     line.start,      line.end,     line.length,
          line.distance, line.dataOffset, line.dataPath};
}

bool keepsItsText(const LineFields& line) {
  if (line.start < 0 || line.start > kSixDigits || line.end < 0 || line.end > kSixDigits) {
    return false;
  }
  switch (line.form) {
    case LineForm::Addresses:
      return line.length == 0 && line.distance == 0 && line.dataOffset == 0 &&
             line.dataPath.empty();
    case LineForm::Normal:
      return line.dataOffset == 0 && line.dataPath.empty();
    case LineForm::DifEditing:
      return line.dataPath.find('\t') == std::string_view::npos;
  }
  return false;
}

// Field by field, as the texts compare character by character: a line that ends where the other
// goes on is a prefix of it and sorts first.
int compareAsText(const LineFields& a, const LineFields& b) {
  if (int c = threeWay(a.start, b.start)) return c;
  if (int c = threeWay(a.end, b.end)) return c;
  const bool aShort = a.form == LineForm::Addresses;
  const bool bShort = b.form == LineForm::Addresses;
  if (aShort || bShort) return threeWay(!aShort, !bShort);
  if (int c = compareNumbers(a.length, b.length)) return c;
  if (int c = compareNumbers(a.distance, b.distance)) return c;
  const bool aLong = a.form == LineForm::DifEditing;
  const bool bLong = b.form == LineForm::DifEditing;
  if (!aLong || !bLong) return threeWay(aLong, bLong);
  if (int c = compareNumbers(a.dataOffset, b.dataOffset)) return c;
  const int c = a.dataPath.compare(b.dataPath);
  return threeWay(c, 0);
}

}  // namespace hm
