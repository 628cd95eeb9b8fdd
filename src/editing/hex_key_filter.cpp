#include "editing/hex_key_filter.h"

namespace hm {

namespace {

// The letters that the A-F keys give in the Russian layout, upper then lower case.
struct CyrillicKey {
  char32_t upper;
  char32_t lower;
  char32_t hex;
};

constexpr CyrillicKey kCyrillicKeys[] = {
    {U'\u0424', U'\u0444', U'A'},  // Ф
    {U'\u0418', U'\u0438', U'B'},  // И
    {U'\u0421', U'\u0441', U'C'},  // С
    {U'\u0412', U'\u0432', U'D'},  // В
    {U'\u0423', U'\u0443', U'E'},  // У
    {U'\u0410', U'\u0430', U'F'},  // А
};

}  // namespace

std::optional<char32_t> HexKeyFilter(char32_t typed) {
  if (typed == 8 || typed == 9 || typed == 13) return typed;
  if ((typed >= U'0' && typed <= U'9') || (typed >= U'A' && typed <= U'F')) return typed;
  if (typed >= U'a' && typed <= U'f') return typed - U'a' + U'A';
  for (const CyrillicKey& key : kCyrillicKeys) {
    if (typed == key.upper || typed == key.lower) return key.hex;
  }
  return std::nullopt;
}

}  // namespace hm
