#pragma once

#include <cstdint>

namespace hm {

// The Russian word for `count` things: `one` for 1, 21, 101…; `few` for 2–4, 22–24…; `many` for
// the rest, the teens among them ("1 блок", "3 блока", "11 блоков").
const char* russianPlural(std::int64_t count, const char* one, const char* few, const char* many);

}  // namespace hm
