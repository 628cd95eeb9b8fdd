#include "platform/program_path.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hm {

std::string runningProgramPath() {
  std::string path(PATH_MAX, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return {};
  path.resize(static_cast<std::size_t>(length));
  return path;
}

std::string besideRunningProgram(const std::string& name) {
  const std::string self = runningProgramPath();
  if (self.empty()) return {};
  const std::string beside = self.substr(0, self.rfind('/') + 1) + name;
  struct stat st;
  if (::stat(beside.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
  return ::access(beside.c_str(), X_OK) == 0 ? beside : std::string();
}

}  // namespace hm
