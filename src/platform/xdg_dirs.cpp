#include "platform/xdg_dirs.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace hm {

namespace {

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

std::string baseFolder(const char* variable, const char* fallbackUnderHome) {
  const char* value = std::getenv(variable);
  if (value && value[0] == '/') return value;
  std::string home = homeFolder();
  if (home.empty()) return {};
  return home + "/" + fallbackUnderHome;
}

}  // namespace

std::string xdgConfigHome() {
  return baseFolder("XDG_CONFIG_HOME", ".config");
}
std::string xdgDataHome() {
  return baseFolder("XDG_DATA_HOME", ".local/share");
}

}  // namespace hm
