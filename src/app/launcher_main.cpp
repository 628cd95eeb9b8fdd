// The program people start. It links no Qt: the unattended forms run here, and the window
// program beside it is started only when a window is wanted (loading Qt alone took longer than
// comparing two 16 MiB images).
#include "app/command_line.h"
#include "app/program_start.h"
#include "app/unattended_jobs.h"
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
  std::string program = kWindowProgram;
  std::string self(4096, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
  if (length > 0) {
    self.resize(static_cast<std::size_t>(length));
    const std::string beside = self.substr(0, self.rfind('/') + 1) + kWindowProgram;
    if (::access(beside.c_str(), X_OK) == 0) program = beside;
  }
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
