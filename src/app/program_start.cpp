#include "app/program_start.h"

#include "app/unattended_jobs.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/standard_streams.h"
#include "platform/user_texts.h"

#include <cstdio>
#include <cstdlib>

namespace hm {

std::string joinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

StartKind chooseStart(const CommandLine& command, bool displayAvailable) {
  switch (command.form) {
    case CommandForm::Apply:
    case CommandForm::Check:
    case CommandForm::Carry:
    case CommandForm::Conversion:
    case CommandForm::Help:
    case CommandForm::Version:
      return StartKind::Unattended;
    default:
      break;
  }
  if (!displayAvailable) {
    return runsUnattended(command.form) ? StartKind::Unattended : StartKind::NoDisplay;
  }
  return StartKind::Window;
}

bool displayInEnvironment() {
  return displayAvailable(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                          std::getenv("QT_QPA_PLATFORM"));
}

int runOnStandardError(const CommandLine& command) {
  StderrMessenger messenger;
  JobContext context{realFileSystem(), messenger, systemClock(), {}};
  context.output = [](const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
  };
  return runUnattended(command, context);
}

int reportNoDisplay() {
  std::fprintf(stderr, "%s\n", kNoDisplayText);
  return kExitJobError;
}

int startProgram(int argc, char** argv,
                 const std::function<int(const CommandLine& command)>& openWindow) {
  if (!openStandardStreams()) return kExitJobError;
  const CommandLine command = parseCommandLine(joinArguments(argc, argv), realFileSystem());
  switch (chooseStart(command, displayInEnvironment())) {
    case StartKind::Unattended:
      return runOnStandardError(command);
    case StartKind::NoDisplay:
      return reportNoDisplay();
    case StartKind::Window:
      break;
  }
  return openWindow(command);
}

}  // namespace hm
