#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/command_line.h"
#include "app/unattended_jobs.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#ifdef HM_WINDOW_PROGRAM
#include <unistd.h>
#endif

#ifndef HM_NO_GUI
#include <QApplication>
#include <QFileInfo>
#include <QIcon>

#include "app/qt/block_dialogs.h"
#include "app/qt/main_window.h"
#include "app/qt/russian_translations.h"
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

#ifdef HM_WINDOW_PROGRAM
// The window lives in its own program beside this one, so the unattended forms never load Qt
// (that alone took longer than comparing two 16 MiB images).
int startWindowProgram(char** argv) {
  std::string program = HM_WINDOW_PROGRAM;
  std::string self(4096, '\0');
  ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size());
  if (length > 0) {
    self.resize(static_cast<std::size_t>(length));
    program = self.substr(0, self.rfind('/') + 1) + program;
  }
  // Without /proc the bare name is looked for on the PATH.
  ::execvp(program.c_str(), argv);
  std::fprintf(stderr, "Hexmarshal: не удалось запустить %s: %s\n", program.c_str(),
               std::strerror(errno));
  return hm::kExitJobError;
}
#endif

#ifndef HM_NO_GUI
// The file types are registered with the program people start: the launcher beside the window
// program when there is one.
std::string programToRegister() {
  QFileInfo launcher(QCoreApplication::applicationDirPath() + "/hexmarshal");
  if (launcher.isFile() && launcher.isExecutable())
    return launcher.absoluteFilePath().toStdString();
  return QCoreApplication::applicationFilePath().toStdString();
}

int runWindow(int argc, char** argv, const hm::CommandLine& command) {
  QApplication app(argc, argv);
  app.setApplicationName("Hexmarshal");
  app.setWindowIcon(QIcon(":/hexmarshal.svg"));
  hm::installRussianTranslations(app);

  hm::QtMessenger messenger;
  hm::QtFileDialogs dialogs;
  hm::ModalBlockDialogs blockDialogs(messenger);
  hm::SettingsStore settings(hm::SettingsStore::defaultPath());
  hm::MainWindow window({messenger, dialogs, blockDialogs, hm::realFileSystem(), hm::systemClock(),
                         settings, programToRegister()});
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
#if defined(HM_NO_GUI) && !defined(HM_WINDOW_PROGRAM)
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
#if defined(HM_WINDOW_PROGRAM)
  return startWindowProgram(argv);
#elif !defined(HM_NO_GUI)
  return runWindow(argc, argv, command);
#endif
}
