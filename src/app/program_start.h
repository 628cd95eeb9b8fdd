#pragma once

#include "app/command_line.h"

#include <functional>
#include <string>

namespace hm {

// How a start of the program goes on once its line is read.
enum class StartKind {
  Unattended,  // the job runs without a window, its messages on standard error
  Window,      // the window is wanted and can be shown
  NoDisplay,   // the window is wanted but nothing could show it
};

// The program's line: its arguments joined with single spaces.
std::string joinArguments(int argc, char** argv);

// Scripts apply and check without a window even where one could be shown, and the help and the
// version never need one; the other unattended forms run without one only where no display can
// be seen.
StartKind chooseStart(const CommandLine& command, bool displayAvailable);

// Whether the process environment names a display Qt would show windows on.
bool displayInEnvironment();

// Runs an unattended form with its messages on standard error and its answer on standard
// output; returns the exit status.
int runOnStandardError(const CommandLine& command);

// Says on standard error that the window needs a display; returns the exit status.
int reportNoDisplay();

// The whole start of either program: reads the line, runs an unattended form itself, and hands
// a line that wants the window to `openWindow`. Returns the exit status.
int startProgram(int argc, char** argv,
                 const std::function<int(const CommandLine& command)>& openWindow);

}  // namespace hm
