#pragma once

#include <string_view>

namespace hm {

// The program's two pictures as SVG text, written out when the file types are associated. The
// build copies them from src/resources, where the window takes them from too.
std::string_view programIconSvg();  // the program and BIN files
std::string_view difIconSvg();      // DIF files

}  // namespace hm
