#include "app/qt/main_window.h"

#include "app/control_state.h"
#include "app/dialog_apply_answers.h"
#include "app/dif_file_commands.h"
#include "app/qt/block_bytes_command.h"
#include "app/qt/column_sets.h"
#include "app/qt/distance_controls.h"
#include "app/qt/file_drops.h"
#include "app/qt/idle_animation.h"
#include "app/unattended_jobs.h"
#include "app/version.h"
#include "blocks/qt/block_list_view.h"
#include "dif/dif_format.h"
#include "platform/file_association.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"
#include "resources/form1_layout.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace hm {

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      session_(services_.session),
      chooser_(services_.dialogs, session_.fileSystem(), services_.messenger, services_.settings,
               kMaxDifSize) {
  setObjectName("Form1");
  setWindowTitle(kProgramCaption);
  ui_.build(this, session_.blocks(), [this] { Form_Click(); });
  // The controls stand where they were designed; a larger window would only add empty space,
  // so there is nothing to maximize either.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  idle_ = new IdleAnimation(this, ui_.controls, ui_.Timer1, services_.clock);
  distance_ = new DistanceControls(ui_.tbyteWith, ui_.byteWith, ui_.cBW);
  blockBytes_ =
      std::make_unique<BlockBytesCommand>(session_, session_.fileSystem(), this, ui_.Lst1);
  // Once the window is up: the first F2 then shows the viewer within a repaint.
  QTimer::singleShot(0, this, [this] { blockBytes_->prepare(); });
  session_.addObserver(this);
  connectCommands();
  Form_Load();
}

MainWindow::~MainWindow() {
  jobs_.abandon();
  session_.removeObserver(this);
  if (!headerRemoved_) Form_QueryUnload();
  // The list outlives the view otherwise: the view is a child widget, the list the session's.
  delete ui_.Lst1;
}

void MainWindow::connectCommands() {
  using Handler = void (MainWindow::*)();
  const std::pair<QPushButton*, Handler> buttons[] = {
      {ui_.bSer, &MainWindow::bSer_Click},         {ui_.bCancel, &MainWindow::bCancel_Click},
      {ui_.bDIF, &MainWindow::bdif_Click},         {ui_.Command1, &MainWindow::Command1_Click},
      {ui_.Command2, &MainWindow::Command2_Click}, {ui_.bSplit, &MainWindow::bSplit_Click},
      {ui_.bDel, &MainWindow::bDel_Click},         {ui_.bAdd, &MainWindow::bAdd_Click}};
  for (auto [button, handler] : buttons) connect(button, &QPushButton::clicked, this, handler);
  const std::pair<QAction*, Handler> items[] = {
      {ui_.opOrig, &MainWindow::opOrig_Click},     {ui_.opTarg, &MainWindow::opTarg_Click},
      {ui_.redDIF, &MainWindow::redDIF_Click},     {ui_.AppDif, &MainWindow::AppDif_Click},
      {ui_.asso, &MainWindow::asso_Click},         {ui_.About, &MainWindow::About_Click},
      {ui_.mnuBytes, &MainWindow::mnuBytes_Click}, {ui_.lmSplit, &MainWindow::bSplit_Click},
      {ui_.lmDel, &MainWindow::bDel_Click},        {ui_.lmEdit, &MainWindow::Lst1_DblClick}};
  for (auto [action, handler] : items) connect(action, &QAction::triggered, this, handler);
  connect(ui_.exxit, &QAction::triggered, this, &QWidget::close);
  connect(ui_.Lst1, &BlockListView::pressed, this, &MainWindow::Lst1_Click);
  connect(ui_.Lst1, &BlockListView::doubleClicked, this, &MainWindow::Lst1_DblClick);
  connect(ui_.Lst1, &BlockListView::caretMoved, this, [this] { blockBytes_->follow(false); });
  connect(ui_.Lst1, &QWidget::customContextMenuRequested, this, &MainWindow::Lst1_ContextMenu);
  connect(ui_.Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
  connect(ui_.byteWith, &QScrollBar::valueChanged, this, &MainWindow::byteWith_Change);
  connect(ui_.tbyteWith, &QLineEdit::textChanged, this, &MainWindow::tbyteWith_Change);
  connect(ui_.cBW, &QComboBox::activated, this, &MainWindow::cBW_Click);
  connect(ui_.inFile, &QLineEdit::textChanged, this, &MainWindow::inFile_Change);
  connect(ui_.outFile, &QLineEdit::textChanged, this, &MainWindow::outFile_Change);
  connect(ui_.Check1, &QCheckBox::toggled, this, [this](bool on) { session_.setBackupWanted(on); });
  // In DIF-editing mode the source box names the data file, as its button does.
  auto* drops = new FileDrops(this, chooser_);
  drops->add(ui_.inFile, FileDrops::isFile, [this] { Command1_Click(); });
  drops->add(ui_.outFile, FileDrops::isFile, [this] { Command2_Click(); });
  drops->add(ui_.Lst1->viewport(), FileDrops::isDif, [this] { redDIF_Click(); });
  connect(&jobs_, &JobRunner::finished, this, [this] {
    if (closeAfterWork_ && !jobs_.running()) QTimer::singleShot(0, this, &QWidget::close);
  });
  ui_.Timer1->start();
}

void MainWindow::Form_Load() {
  chooser_.loadLastFolder();
  const QRect list = ui_.Lst1->geometry();
  hHdr_ = CreateHeader(headers_, ui_.Lst1, list.left(), list.top() - layout::kHeaderHeightPixels,
                       list.width(), layout::kHeaderHeightPixels);
  addStartColumns(hHdr_, ui_.Lst1);
  idle_->saveTops();
  // The distance in use regroups the (empty) list and writes the status line.
  if (ui_.byteWith->value() == session_.minDistance()) byteWith_Change();
  ui_.byteWith->setValue(session_.minDistance());
}

void MainWindow::Form_QueryUnload() {
  RemoveHeader(headers_, hHdr_);
  headerRemoved_ = true;
  idle_->release();
  session_.releaseAll();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (jobs_.running()) {
    // The work reads the session: stop it first, close when it has ended.
    search_.cancel();
    jobs_.stop();
    closeAfterWork_ = true;
    return event->ignore();
  }
  if (!headerRemoved_) Form_QueryUnload();
  event->accept();
}

// The window shows the session: its paths, its status, its mode's columns and what can be used.
void MainWindow::sessionChanged(unsigned changes) {
  if (changes & kPathsChanged) showPaths();
  if (changes & kStatusChanged) {
    ui_.lStat->setText(qt(session_.status()));
    // Shown at once: a command that goes on working says what it does before it does it.
    ui_.lStat->repaint();
  }
  if ((changes & kModeChanged) && session_.editingDif()) replaceWithDifColumns(hHdr_, ui_.Lst1);
  if ((changes & kDistanceChanged) && ui_.byteWith->value() != session_.minDistance()) {
    ui_.byteWith->setValue(session_.minDistance());
  }
  if (changes & kBackupChanged) ui_.Check1->setChecked(session_.backupWanted());
  if (changes & (kPathsChanged | kModeChanged | kWorkChanged | kListChanged)) Activity();
}

void MainWindow::showPaths() {
  if (ui_.inFile->text() != qt(session_.inFile())) ui_.inFile->setText(qt(session_.inFile()));
  if (ui_.outFile->text() != qt(session_.outFile())) ui_.outFile->setText(qt(session_.outFile()));
}

void MainWindow::Activity() {
  const ControlState s = controlState(session_);
  for (auto [widget, on] : {std::pair<QWidget*, bool>{ui_.bSer, s.search},
                            {ui_.bSplit, s.merge},
                            {ui_.bAdd, s.add},
                            {ui_.bDel, s.remove},
                            {ui_.bDIF, s.createDif},
                            {ui_.Command1, s.chooseFiles},
                            {ui_.Command2, s.chooseFiles},
                            {ui_.inFile, s.chooseFiles},
                            {ui_.outFile, s.chooseFiles},
                            {ui_.byteWith, s.normalMode},
                            {ui_.tbyteWith, s.normalMode},
                            {ui_.cBW, s.normalMode}}) {
    widget->setEnabled(on);
  }
  for (QAction* a : {ui_.opOrig, ui_.opTarg, ui_.redDIF, ui_.AppDif, ui_.asso}) {
    a->setEnabled(s.chooseFiles);
  }
  ui_.lmSplit->setEnabled(s.merge);
  ui_.lmDel->setEnabled(s.remove);
  ui_.lmEdit->setEnabled(s.editLine);
  ui_.bCancel->setVisible(s.cancelShown);
  ui_.Command1->setText(qt(s.firstButtonCaption));
  for (QWidget* w : {static_cast<QWidget*>(ui_.Check1), static_cast<QWidget*>(ui_.Command2),
                     static_cast<QWidget*>(ui_.outFile)}) {
    w->setVisible(s.normalMode);
  }
  ui_.Lst1->setFrozen(!s.listTakesClicks);
  blockBytes_->follow(session_.searching());
}

void MainWindow::reCalc() {
  listJobs_.recalculate();
}

void MainWindow::Form_Click() {
  idle_->restartClock();
  idle_->restoreTops();
}

void MainWindow::Lst1_Click() {
  idle_->restartClock();
}

void MainWindow::Timer1_Timer() {
  idle_->tick();
}

void MainWindow::tbyteWith_Change() {
  distance_->applyBox();
}

// The presets regroup from the search result, which a DIF being edited does not have.
void MainWindow::cBW_Click() {
  if (!session_.editingDif()) distance_->applyPreset();
}

void MainWindow::byteWith_Change() {
  distance_->showSpinValue();
  session_.setMinDistance(ui_.byteWith->value());
  listJobs_.regroup(ui_.byteWith->value());
}

void MainWindow::Command1_Click() {
  if (!idle()) return;
  std::string path = chooser_.AskOpenFile(FileKind::SourceBin);
  if (!path.empty() && session_.editingDif() && !fitsBlockLine(path)) {
    services_.messenger.error(kBadDataFileNameText);
    path.clear();
  }
  if (!path.empty()) session_.setInFile(path);
  idle_->restartClock();
}

void MainWindow::Command2_Click() {
  if (!idle()) return;
  const std::string path = chooser_.AskOpenFile(FileKind::TargetBin);
  if (!path.empty()) session_.setOutFile(path);
}

void MainWindow::opOrig_Click() {
  if (!idle()) return;
  session_.setEditingDif(false);
  Command1_Click();
}

void MainWindow::opTarg_Click() {
  if (!idle()) return;
  session_.setEditingDif(false);
  Command2_Click();
}

void MainWindow::inFile_Change() {
  session_.setInFile(utf8(ui_.inFile->text()));
  chooser_.RememberFolder(session_.inFile());
}

void MainWindow::outFile_Change() {
  session_.setOutFile(utf8(ui_.outFile->text()));
}

// Runs the search to its end (list shown, cancelled or failed) before it returns, while the
// window goes on answering.
void MainWindow::bSer_Click() {
  if (search_.start([this](bool found) { focusAfterSearch(found); })) jobs_.wait();
}

// Where the keys go once a search has ended: the list it found, or the search button. Never the
// distance box, where one arrow key would regroup the list.
void MainWindow::focusAfterSearch(bool found) {
  if (found && session_.blocks().count() > 0) return ui_.Lst1->setFocus();
  if (ui_.bSer->isEnabled()) ui_.bSer->setFocus();
}

void MainWindow::bCancel_Click() {
  search_.cancel();
}

void MainWindow::bdif_Click() {
  if (!idle()) return;
  writeDifCommand(session_, services_.messenger, chooser_.AskSaveFile(FileKind::Dif),
                  kFileLockWait);
}

void MainWindow::AppDif_Click() {
  if (idle()) applyDif(std::nullopt);
}

void MainWindow::applyDif(std::optional<std::string> dif) {
  DialogApplyAnswers answers(session_, chooser_, services_.messenger, std::move(dif));
  applyDifCommand(session_.fileSystem(), services_.messenger, answers, kFileLockWait);
}

void MainWindow::redDIF_Click() {
  if (idle())
    openDifCommand(session_, listJobs_, services_.messenger, chooser_.AskOpenFile(FileKind::Dif));
}

void MainWindow::bSplit_Click() {
  if (idle()) blockCommands_.mergeSelected();
}

void MainWindow::bDel_Click() {
  if (idle()) blockCommands_.deleteSelected();
}

void MainWindow::bAdd_Click() {
  if (idle()) blockCommands_.addBlock();
}

void MainWindow::Lst1_DblClick() {
  if (idle()) blockCommands_.editCaretLine();
}

void MainWindow::asso_Click() {
  if (!idle()) return;
  const Status associated =
      associateFileTypes(session_.fileSystem(), services_.settings,
                         AssociationPlaces::fromEnvironment(services_.programPath));
  if (!associated) services_.messenger.error(associated.error().message);
}

void MainWindow::About_Click() {
  services_.messenger.notice(std::string(kProgramCaption) + "\n\n" + kAuthorshipText);
}

void MainWindow::mnuBytes_Click() {
  blockBytes_->open();
}

// The menu offers what the buttons and a double-click would do on the lines it was opened over.
void MainWindow::Lst1_ContextMenu(const QPoint& position) {
  Activity();
  ui_.lstMenu->popup(ui_.Lst1->viewport()->mapToGlobal(position));
}

// The jobs of the command line run over the window's session: it shows their files and their
// progress, and the program ends with them.
std::optional<int> MainWindow::runCommandLine(const CommandLine& command) {
  JobContext context{session_.fileSystem(), services_.messenger, services_.clock,
                     [](const std::string&) { QCoreApplication::processEvents(); }};
  switch (command.form) {
    case CommandForm::Empty:
      return std::nullopt;
    case CommandForm::DifFile:
      show();
      applyDif(command.difPath);
      return std::nullopt;
    case CommandForm::OtherFile:
      session_.setInFile(command.sourcePath);
      return std::nullopt;
    case CommandForm::Comparison:
    case CommandForm::BlockInsertion: {
      show();
      const int status = command.form == CommandForm::Comparison
                             ? runComparison(command, context, session_)
                             : runBlockInsertion(command, context, session_);
      close();
      return status;
    }
    default:
      break;
  }
  services_.messenger.notice(badParametersMessage(command.line));
  close();
  return kExitBadParameters;
}

}  // namespace hm
