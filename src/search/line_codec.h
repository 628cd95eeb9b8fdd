#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hm {

// Fast forms of the block line's number fields, for rebuilding millions of lines at once. They
// give exactly what HexField writes and lineField reads, without building strings.

// Most characters writeHexField can write for widths up to 8: eight digits and a tab.
inline constexpr std::size_t kHexFieldMax = 9;
inline constexpr std::size_t kBlockFieldsMax = 4 * kHexFieldMax;

// HexField(value, width) written at `out`, for widths 0 to 8; returns the end.
char* writeHexField(char* out, std::int32_t value, int width);

// HexField(start, 6) HexField(end, 6) HexField(length, 0) HexField(distance, 0); returns the end.
char* writeBlockFields(char* out, std::int32_t start, std::int32_t end, std::int32_t length,
                       std::int32_t distance);

struct LineSpan {
  std::int32_t start;
  std::int32_t end;
};

// Fields 1 and 2 of a block line, read as lineField reads them.
LineSpan readLineSpan(std::string_view line);

}  // namespace hm
