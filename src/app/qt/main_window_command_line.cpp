#include "app/qt/main_window.h"
#include "app/unattended_jobs.h"

#include <QLineEdit>
#include <QScrollBar>

// The command line's part of the window: its last start-up step.
namespace hm {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

std::optional<int> MainWindow::endProgram(int status) {
  close();
  return status;
}

// The jobs of the command line run as they do without a window; the window shows their files
// and their progress in the status line.
int MainWindow::runJobInWindow(const CommandLine& command) {
  show();
  if (command.form == CommandForm::Comparison) {
    if (command.minDistance) ui_.byteWith->setValue(*command.minDistance);
    ui_.inFile->setText(qs(command.sourcePath));
    ui_.outFile->setText(qs(command.targetPath));
  } else {
    session_.setEditingDif(true);
    showDifColumns();
    Activity();
    ui_.inFile->setText(qs(command.dataPath));
  }
  JobContext context{services_.fs, services_.messenger, services_.clock,
                     [this](const std::string& text) {
                       say(qs(text));
                       yieldToEvents();
                     }};
  return runUnattended(command, context);
}

std::optional<int> MainWindow::runCommandLine(const CommandLine& command) {
  switch (command.form) {
    case CommandForm::Empty:
      return std::nullopt;
    case CommandForm::DifFile:
      chooser_.difPath = command.difPath;
      chooser_.cmdMode = true;
      show();
      AppDif_Click();
      chooser_.cmdMode = false;
      return std::nullopt;
    case CommandForm::OtherFile:
      ui_.inFile->setText(qs(command.sourcePath));
      return std::nullopt;
    case CommandForm::Comparison:
    case CommandForm::BlockInsertion:
      return endProgram(runJobInWindow(command));
    case CommandForm::Apply:
    case CommandForm::Check:
    case CommandForm::Help:
    case CommandForm::Version:
    case CommandForm::BadParameters:
      break;
  }
  services_.messenger.notice(badParametersMessage(command.line));
  return endProgram(kExitBadParameters);
}

}  // namespace hm
