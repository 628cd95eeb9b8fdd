#pragma once

#include "platform/user_texts.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hm {

// The last offset a block may reach: FFFFFF, the largest six-digit address. A block ending there
// grows a patched BIN to 16,777,216 bytes, one more than the largest BIN the program reads.
inline constexpr std::int32_t kLastImageOffset = 0xFFFFFF;

// Which fields a line carries. A line read and written again keeps its form, so its text, and
// with it its place in the sorted list, stays the same.
enum class LineForm {
  Addresses,   // start and end only, as a DIF's records are listed before the recalculation
  Normal,      // start, end, length and distance
  DifEditing,  // those four, then the data offset and the data file's path
};

// One block of the block list. The list stores a block only as its text; this is what that text
// means, and the one place it is written and read. Numbers are upper-case hexadecimal, each
// followed by a tab: start and end in six digits, the others in an even count of digits, a
// negative one in eight. The path ends a DIF-editing line without a tab (and may hold none, see
// fitsBlockLine). Fields the form lacks
// are not written.
struct BlockLine {
  LineForm form = LineForm::Normal;
  std::int32_t start = 0;
  std::int32_t end = 0;  // inclusive
  std::int32_t length = 0;
  std::int32_t distance = 0;    // unchanged bytes up to the next line's start; 0 on the last line
  std::int32_t dataOffset = 0;  // where the block's bytes start in the data file
  std::string dataPath;         // empty: the bytes come from the DIF being edited

  // Most characters the fields before the path can take: five numbers of eight digits and a tab.
  static constexpr std::size_t kNumbersMax = 5 * 9;

  // Never fails: a field that is missing, empty or not hexadecimal reads as 0 (an empty path),
  // and spaces around digits are ignored. Eight digits from 80000000 up read as negative. The
  // path ends at a tab like every field.
  static BlockLine parse(std::string_view text);

  std::string text() const;
  // text() added to `out`, so many lines can be built in one reused buffer.
  void appendTo(std::string& out) const;
  // The form's fields but the path, written at `out` (room for kNumbersMax); returns the end.
  char* writeNumbers(char* out) const;

  bool takesDataFile() const { return !dataPath.empty(); }

  friend bool operator==(const BlockLine&, const BlockLine&) = default;
};

// Reading only the fields a pass needs, for passes over millions of lines. Each reads its
// fields exactly as BlockLine::parse does.

struct BlockSpan {
  std::int32_t start;
  std::int32_t end;
};
BlockSpan readBlockSpan(std::string_view text);

struct DataSource {
  std::int32_t offset;
  std::string_view path;  // part of the text read
};
DataSource readDataSource(std::string_view text);

// Whether a data file's path can end a block line: a tab in it would start another field and a
// line break another line, so the rest of the name would be read as a different file.
bool fitsBlockLine(std::string_view path);

}  // namespace hm
