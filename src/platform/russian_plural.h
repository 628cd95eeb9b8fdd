#pragma once

#include <cstdint>

namespace hm {

// A Russian word in the three forms a count asks for.
struct PluralForms {
  const char* one;   // 1, 21, 101…
  const char* few;   // 2–4, 22–24…
  const char* many;  // the rest, the teens among them
};

// The form of `word` for `count` things ("1 блок", "3 блока", "11 блоков").
const char* russianPlural(std::int64_t count, const PluralForms& word);

}  // namespace hm
