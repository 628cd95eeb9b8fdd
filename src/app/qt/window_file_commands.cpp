#include "app/qt/window_file_commands.h"

#include "app/carry_files.h"
#include "app/dialog_apply_answers.h"
#include "app/dif_file_commands.h"
#include "app/file_choice_commands.h"
#include "app/history_commands.h"
#include "app/ips_jobs.h"
#include "app/qt/carry_result_dialog.h"
#include "app/qt/command_wiring.h"
#include "app/qt/file_drops.h"
#include "app/qt/idle_animation.h"
#include "app/qt/main_window.h"
#include "app/qt/window_controls.h"
#include "blocks/qt/block_list_view.h"
#include "dif/dif_format.h"
#include "platform/file_association.h"
#include "platform/qt/qt_text.h"

#include <atomic>

#include <QAction>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

namespace hm {

WindowFileCommands::WindowFileCommands(QWidget* window, const WindowServices& services,
                                       const WindowControls& ui, ListJobs& listJobs,
                                       DifJobs& difJobs, IpsJobs& ipsJobs, IdleAnimation& idle)
    : QObject(window),
      services_(services),
      ui_(ui),
      session_(services.session),
      listJobs_(listJobs),
      difJobs_(difJobs),
      ipsJobs_(ipsJobs),
      idle_(idle),
      chooser_(services.dialogs, session_.fileSystem(), services.messenger, services.settings,
               kMaxDifSize) {
  chooser_.loadLastFolder();
  connectControls(window);
}

void WindowFileCommands::connectControls(QWidget* window) {
  connectClicks(this, {{ui_.Command1, &WindowFileCommands::Command1_Click},
                       {ui_.Command2, &WindowFileCommands::Command2_Click},
                       {ui_.bDIF, &WindowFileCommands::bdif_Click}});
  connectClicks(this, {{ui_.opOrig, &WindowFileCommands::opOrig_Click},
                       {ui_.opTarg, &WindowFileCommands::opTarg_Click},
                       {ui_.redDIF, &WindowFileCommands::redDIF_Click},
                       {ui_.saveBack, &WindowFileCommands::saveBack_Click},
                       {ui_.saveIps, &WindowFileCommands::saveIps_Click},
                       {ui_.AppDif, &WindowFileCommands::AppDif_Click},
                       {ui_.asso, &WindowFileCommands::asso_Click},
                       {ui_.mnuCarry, &WindowFileCommands::mnuCarry_Click}});
  connect(ui_.inFile, &QLineEdit::textChanged, this, &WindowFileCommands::inFile_Change);
  connect(ui_.outFile, &QLineEdit::textChanged, this, &WindowFileCommands::outFile_Change);
  // In DIF-editing mode the source box names the data file, as its button does.
  auto* drops = new FileDrops(window, chooser_);
  drops->add(ui_.inFile, FileDrops::isFile, [this] { Command1_Click(); });
  drops->add(ui_.outFile, FileDrops::isFile, [this] { Command2_Click(); });
  drops->add(ui_.Lst1->viewport(), FileDrops::isPatch, [this] { redDIF_Click(); });
}

void WindowFileCommands::Command1_Click() {
  if (session_.busy()) return;
  chooseFirstFile(session_, chooser_, services_.messenger);
  idle_.restartClock();
}

void WindowFileCommands::Command2_Click() {
  chooseTargetFile(session_, chooser_);
}

void WindowFileCommands::opOrig_Click() {
  if (session_.busy()) return;
  session_.setEditingDif(false);
  Command1_Click();
}

void WindowFileCommands::opTarg_Click() {
  if (session_.busy()) return;
  session_.setEditingDif(false);
  Command2_Click();
}

void WindowFileCommands::inFile_Change() {
  session_.setInFile(utf8(ui_.inFile->text()));
  chooser_.RememberFolder(session_.inFile());
}

void WindowFileCommands::outFile_Change() {
  session_.setOutFile(utf8(ui_.outFile->text()));
}

void WindowFileCommands::showPaths() {
  if (ui_.inFile->text() != qt(session_.inFile())) ui_.inFile->setText(qt(session_.inFile()));
  if (ui_.outFile->text() != qt(session_.outFile())) ui_.outFile->setText(qt(session_.outFile()));
}

void WindowFileCommands::bdif_Click() {
  if (session_.busy()) return;
  std::optional<std::string> path =
      difNameFor(session_.fileSystem(), services_.messenger, chooser_.AskSaveFile(FileKind::Dif));
  if (path) difJobs_.write(*path, kFileLockWait);
}

void WindowFileCommands::saveBack_Click() {
  if (!maySaveBack(session_)) return;
  // An IPS opened for editing stays an IPS: other programs could not apply it as a DIF.
  if (holdsIps(session_.fileSystem(), session_.editedDifPath())) {
    ipsJobs_.write(session_.editedDifPath(), kFileLockWait);
    return;
  }
  difJobs_.write(session_.editedDifPath(), kFileLockWait);
}

void WindowFileCommands::saveIps_Click() {
  if (session_.busy()) return;
  const std::string path = chooser_.AskSaveFile(FileKind::Ips);
  if (!path.empty()) ipsJobs_.write(path, kFileLockWait);
}

void WindowFileCommands::applyDif(std::optional<std::string> dif) {
  if (session_.busy()) return;
  difJobs_.apply(
      std::make_shared<DialogApplyAnswers>(session_, chooser_, services_.messenger, std::move(dif)),
      kFileLockWait);
}

void WindowFileCommands::redDIF_Click() {
  if (session_.busy() || !mayDiscardEdits(session_, services_.messenger)) return;
  difJobs_.open(chooser_.AskOpenFile(FileKind::Dif));
}

// The carrying runs beside the event loop, under a progress box whose "Отмена" drops its result.
void WindowFileCommands::mnuCarry_Click() {
  if (session_.busy()) return;
  std::optional<CarryFiles> files = askCarryFiles(chooser_, services_.messenger);
  if (!files) return;
  auto* window = qobject_cast<QWidget*>(parent());
  QProgressDialog progress(qt(kCarryingText), qt(kCancelCaption), 0, 0, window);
  progress.setWindowTitle(qt(kCarryTitle));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(300);
  std::atomic<bool> cancelled{false};
  connect(&progress, &QProgressDialog::canceled, this, [&cancelled] { cancelled = true; });
  Result<std::shared_ptr<CarriedDif>> carried = Error{ErrorCode::BadInput, ""};
  FileSystem& fs = session_.fileSystem();
  std::unique_ptr<QThread> worker(QThread::create(
      [&] { carried = carryFiles(fs, *files, [&cancelled] { return !cancelled.load(); }); }));
  QEventLoop loop;
  connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
  worker->start();
  loop.exec();
  worker->wait();
  progress.reset();
  if (cancelled) return;
  if (!carried) return services_.messenger.error(carried.error().message);
  CarryResultDialog result(carried.value(), fs, chooser_, services_.messenger, window);
  result.exec();
}

void WindowFileCommands::asso_Click() {
  if (session_.busy()) return;
  const Status associated =
      associateFileTypes(session_.fileSystem(), services_.settings,
                         AssociationPlaces::fromEnvironment(services_.programPath));
  if (!associated) services_.messenger.error(associated.error().message);
}

}  // namespace hm
