// The program people start. It links no Qt: the unattended forms run here, and the window
// program beside it is started only when a window is wanted (loading Qt alone took longer than
// comparing two 16 MiB images).
#include "app/command_line.h"
#include "app/program_start.h"
#include "app/unattended_jobs.h"
#include "platform/program_path.h"
#include "platform/user_texts.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kWindowProgram = "hexmarshal-gui";

// The window program is looked for beside this one, then on the PATH.
int startWindowProgram(char** argv) {
  std::string program = hm::besideRunningProgram(kWindowProgram);
  if (program.empty()) program = kWindowProgram;
  ::execvp(program.c_str(), argv);
  std::fprintf(stderr, "%s %s: %s\n", hm::kWindowProgramFailedText, program.c_str(),
               std::strerror(errno));
  return hm::kExitJobError;
}

}  // namespace

int main(int argc, char** argv) {
  return hm::startProgram(argc, argv,
                          [argv](const hm::CommandLine&) { return startWindowProgram(argv); });
}
