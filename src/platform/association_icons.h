#pragma once

#include <string_view>

namespace hm {

// The program's two pictures as SVG text, written out when the file types are associated.
// src/resources holds the same pictures for the window; a test keeps the two alike.
std::string_view programIconSvg();  // the program and BIN files
std::string_view difIconSvg();      // DIF files

}  // namespace hm
