#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/command_line.h"
#include "app/unattended_jobs.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#ifndef HM_NO_GUI
#include <QApplication>
#include <QIcon>

#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "platform/qt/qt_file_dialogs.h"
#include "platform/qt/qt_messenger.h"
#include "platform/settings_store.h"
#endif

namespace {

std::string joinArguments(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

#ifndef HM_NO_GUI
int runWindow(int argc, char** argv, const hm::CommandLine& command) {
  QApplication app(argc, argv);
  app.setApplicationName("Hexmarshal");
  app.setWindowIcon(QIcon(":/hexmarshal.svg"));

  hm::QtMessenger messenger;
  hm::QtFileDialogs dialogs;
  hm::ModalBlockDialogs blockDialogs(messenger);
  hm::SettingsStore settings(hm::SettingsStore::defaultPath());
  hm::MainWindow window({messenger, dialogs, blockDialogs, hm::realFileSystem(),
                         hm::systemClock(), settings,
                         QCoreApplication::applicationFilePath().toStdString()});
  messenger.setParent(&window);
  dialogs.setParent(&window);
  if (std::optional<int> status = window.runCommandLine(command)) return *status;
  window.show();
  return app.exec();
}
#endif

}  // namespace

int main(int argc, char** argv) {
  hm::CommandLine command = hm::parseCommandLine(joinArguments(argc, argv), hm::namesExistingFile);
  bool window = hm::displayAvailable(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                                     std::getenv("QT_QPA_PLATFORM"));
#ifdef HM_NO_GUI
  window = false;
#endif
  // Scripts apply without a window even where one could be shown.
  if (command.form == hm::CommandForm::Apply || (!window && hm::runsUnattended(command.form))) {
    hm::StderrMessenger messenger;
    hm::JobContext context{hm::realFileSystem(), messenger, hm::systemClock(), {}};
    return hm::runUnattended(command, context);
  }
  if (!window) {
    std::fputs("Hexmarshal: для работы с окном нужен дисплей (DISPLAY или WAYLAND_DISPLAY).\n",
               stderr);
    return hm::kExitJobError;
  }
#ifndef HM_NO_GUI
  return runWindow(argc, argv, command);
#endif
}
