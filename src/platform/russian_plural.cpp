#include "platform/russian_plural.h"

namespace hm {

const char* russianPlural(std::int64_t count, const PluralForms& word) {
  const std::int64_t lastTwo = count % 100;
  const std::int64_t last = count % 10;
  if (lastTwo >= 11 && lastTwo <= 14) return word.many;
  if (last == 1) return word.one;
  if (last >= 2 && last <= 4) return word.few;
  return word.many;
}

}  // namespace hm
