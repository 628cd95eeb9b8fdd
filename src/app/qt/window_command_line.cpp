#include "app/qt/window_command_line.h"

#include "app/qt/main_window.h"
#include "app/qt/window_file_commands.h"
#include "app/unattended_jobs.h"

#include <QCoreApplication>

namespace hm {

namespace {

int runJob(MainWindow& window, const CommandLine& command) {
  const WindowServices& services = window.services();
  JobContext context{services.session.fileSystem(), services.messenger, services.clock,
                     [](const std::string&) { QCoreApplication::processEvents(); }};
  window.show();
  return command.form == CommandForm::Comparison
             ? runComparison(command, context, services.session)
             : runBlockInsertion(command, context, services.session);
}

}  // namespace

std::optional<int> runCommandLine(MainWindow& window, const CommandLine& command) {
  int status = kExitBadParameters;
  switch (command.form) {
    case CommandForm::Empty:
      return std::nullopt;
    case CommandForm::DifFile:
      window.show();
      window.files().applyDif(command.difPath);
      return std::nullopt;
    case CommandForm::OtherFile:
      window.services().session.setInFile(command.sourcePath);
      return std::nullopt;
    case CommandForm::Comparison:
    case CommandForm::BlockInsertion:
      status = runJob(window, command);
      break;
    default:
      window.services().messenger.notice(badParametersMessage(command.line));
      break;
  }
  window.close();
  return status;
}

}  // namespace hm
