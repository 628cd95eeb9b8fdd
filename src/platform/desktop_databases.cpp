#include "platform/desktop_databases.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace hm {

namespace {

void runQuietly(const char* tool, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string name = tool;
  std::string argument = folder;
  char* argv[] = {name.data(), argument.data(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, tool, &actions, nullptr, argv, environ) == 0) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

void refreshDesktopDatabases(const std::string& dataHome) {
  runQuietly("update-mime-database", dataHome + "/mime");
  runQuietly("update-desktop-database", dataHome + "/applications");
}

}  // namespace hm
