#pragma once

#include "app/command_line.h"

#include <optional>

namespace hm {

class MainWindow;

// The window program's last start-up step. Returns the exit status when the line ends the
// program: the comparison and insertion forms run in the window, which shows their files and
// progress, and then close it.
std::optional<int> runCommandLine(MainWindow& window, const CommandLine& command);

}  // namespace hm
