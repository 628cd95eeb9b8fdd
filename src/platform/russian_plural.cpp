#include "platform/russian_plural.h"

namespace hm {

const char* russianPlural(std::int64_t count, const char* one, const char* few, const char* many) {
  const std::int64_t lastTwo = count % 100;
  const std::int64_t last = count % 10;
  if (lastTwo >= 11 && lastTwo <= 14) return many;
  if (last == 1) return one;
  if (last >= 2 && last <= 4) return few;
  return many;
}

}  // namespace hm
