#pragma once

#include <optional>

namespace hm {

// The keystroke filter of every hexadecimal field: Backspace, Tab and Enter pass; hex digits
// pass, lower-case ones in upper case; the Cyrillic letters on the A-F keys of a Russian
// layout (Ф И С В У А, either case) give A-F; everything else gives nothing.
std::optional<char32_t> HexKeyFilter(char32_t typed);

}  // namespace hm
