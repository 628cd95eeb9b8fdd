// What the end-to-end scripts need a second process for, beside the program itself:
//   run_helper settings FILE PREFIX COUNT  writes COUNT values PREFIX0.. into a settings file
//   run_helper hold FILE                   takes FILE's lock, says "held" and waits to be killed
//   run_helper associate PROGRAM           registers the file types for PROGRAM, as the
//                                          window's Tools menu does
#include "platform/file_association.h"
#include "platform/file_lock.h"
#include "platform/settings_store.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

int writeSettings(const std::string& file, const std::string& prefix, int count) {
  hm::SettingsStore store(hm::realFileSystem(), file);
  for (int i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(i);
    if (!store.WriteRegValue(hm::RegRoot::LocalMachine, hm::kProgramKey, name, "value " + name)) {
      std::fprintf(stderr, "run_helper: writing %s failed\n", name.c_str());
      return 1;
    }
  }
  return 0;
}

int holdLock(const std::string& file) {
  auto held = hm::lockFile(file, std::chrono::seconds(5));
  if (!held) {
    std::fprintf(stderr, "run_helper: %s\n", held.error().message.c_str());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  while (true) ::pause();
}

int associate(const std::string& program) {
  hm::SettingsStore store(hm::realFileSystem(), hm::SettingsStore::defaultPath());
  const hm::Status associated = hm::associateFileTypes(
      hm::realFileSystem(), store, hm::AssociationPlaces::fromEnvironment(program));
  if (associated) return 0;
  std::fprintf(stderr, "run_helper: %s\n", associated.error().message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "settings" && argc == 5) return writeSettings(argv[2], argv[3], std::atoi(argv[4]));
  if (mode == "hold" && argc == 3) return holdLock(argv[2]);
  if (mode == "associate" && argc == 3) return associate(argv[2]);
  std::fputs("usage: run_helper settings FILE PREFIX COUNT | hold FILE | associate PROGRAM\n",
             stderr);
  return 2;
}
