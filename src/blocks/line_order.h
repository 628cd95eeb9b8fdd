#pragma once

#include "blocks/block_line.h"

#include <cstdint>
#include <string_view>

namespace hm {

// A block line's fields without owning its path, as the list and its passes read them.
struct LineFields {
  LineForm form = LineForm::Normal;
  std::int32_t start = 0;
  std::int32_t end = 0;
  std::int32_t length = 0;
  std::int32_t distance = 0;
  std::int32_t dataOffset = 0;
  std::string_view dataPath;
};

LineFields fieldsOf(const BlockLine& line);

// Whether BlockLine::parse reads the line's text back as the very same fields: addresses within
// six digits, no field the form does not write, no tab in the path. Only such a line may be kept
// as its fields alone; any other is kept as its text.
bool keepsItsText(const LineFields& line);

// The order of two such lines' texts (negative, zero, positive), found from their fields: the
// list stays sorted by text without writing any.
int compareAsText(const LineFields& a, const LineFields& b);

}  // namespace hm
