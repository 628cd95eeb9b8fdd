#pragma once

#include <string>

namespace hm {

// The running program's file, as the system names it: bytes, not decoded, so a folder name in
// any encoding is kept as it is. Empty when the system cannot tell.
std::string runningProgramPath();

// `name` in the running program's folder when it is an executable file there, else empty.
std::string besideRunningProgram(const std::string& name);

}  // namespace hm
