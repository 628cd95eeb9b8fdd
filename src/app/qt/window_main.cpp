// The window program. Started by the launcher when a window is wanted; started directly (as the
// file-type association may do) it still runs the unattended forms without a display.
#include "app/command_line.h"
#include "app/program_start.h"
#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "app/qt/russian_translations.h"
#include "app/qt/window_command_line.h"
#include "app/session.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/program_path.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_messenger.h"
#include "platform/settings_store.h"

#include <optional>

#include <QApplication>
#include <QIcon>

namespace {

// The file types are registered with the program people start: the launcher beside the window
// program when there is one. The path is read from the system, not through Qt, which would
// decode a folder name that is not UTF-8 into a path that names nothing.
std::string programToRegister() {
  const std::string launcher = hm::besideRunningProgram("hexmarshal");
  return launcher.empty() ? hm::runningProgramPath() : launcher;
}

int runWindow(int argc, char** argv, const hm::CommandLine& command) {
  QApplication app(argc, argv);
  app.setApplicationName("Hexmarshal");
  app.setWindowIcon(QIcon(":/hexmarshal.svg"));
  hm::installRussianTranslations(app);

  hm::QtMessenger messenger;
  hm::QtFileDialogs dialogs;
  hm::ModalBlockDialogs blockDialogs(messenger);
  hm::SettingsStore settings(hm::realFileSystem(), hm::SettingsStore::defaultPath());
  hm::Session session(hm::realFileSystem());
  hm::MainWindow window({session, messenger, dialogs, blockDialogs, hm::systemClock(), settings,
                         programToRegister()});
  messenger.setParent(&window);
  dialogs.setParent(&window);
  blockDialogs.setOwner(&window);
  if (std::optional<int> status = hm::runCommandLine(window, command)) return *status;
  window.show();
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  return hm::startProgram(argc, argv, [argc, argv](const hm::CommandLine& command) {
    return runWindow(argc, argv, command);
  });
}
