#pragma once

#include <string>
#include <string_view>

namespace hm {

// Letter case is folded for ASCII only: paths and names are UTF-8, and folding their other
// bytes would change them.
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Leading and trailing spaces removed; tabs and other blanks are kept as part of a name.
std::string trimSpaces(std::string_view text);

}  // namespace hm
