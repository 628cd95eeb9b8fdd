#include "app/qt/main_window.h"

#include "app/qt/block_bytes_command.h"
#include "app/qt/block_commands.h"
#include "app/qt/column_sets.h"
#include "app/qt/dif_commands.h"
#include "app/qt/distance_controls.h"
#include "app/qt/idle_animation.h"
#include "app/qt/list_jobs.h"
#include "app/qt/search_command.h"
#include "app/version.h"
#include "blocks/block_line.h"
#include "blocks/qt/block_list_view.h"
#include "blocks/qt/column_header.h"
#include "dif/dif_format.h"
#include "platform/file_association.h"
#include "platform/user_texts.h"
#include "resources/form1_layout.h"
#include "search/regroup.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace hm {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      session_(services_.fs),
      chooser_(services_.dialogs, services_.fs, services_.messenger, services_.settings,
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
  CommandHost& host = *this;
  search_ = std::make_unique<SearchCommand>(session_, host, jobs_, services_.messenger,
                                            services_.clock, ui_.bCancel);
  listJobs_ = std::make_unique<ListJobs>(session_, host, jobs_, services_.messenger);
  difCommands_ =
      std::make_unique<DifCommands>(session_, host, chooser_, services_.fs, services_.messenger);
  blockCommands_ = std::make_unique<BlockCommands>(session_, host, services_.blockDialogs,
                                                   services_.fs, services_.messenger);
  blockBytes_ = std::make_unique<BlockBytesCommand>(session_, services_.fs, this, ui_.Lst1);
  // Once the window is up: the first F2 then shows the viewer within a repaint.
  QTimer::singleShot(0, this, [this] { blockBytes_->prepare(); });
  connectCommands();
  acceptFileDrops();
  Form_Load();
}

MainWindow::~MainWindow() {
  jobs_.abandon();
  if (!headerRemoved_) Form_QueryUnload();
  // The list outlives the view otherwise: the view is a child widget, the list the session's.
  delete ui_.Lst1;
}

void MainWindow::Form_Load() {
  chooser_.loadLastFolder();
  const QRect list = ui_.Lst1->geometry();
  hHdr_ = CreateHeader(headers_, ui_.Lst1, list.left(), list.top() - layout::kHeaderHeightPixels,
                       list.width(), layout::kHeaderHeightPixels);
  addStartColumns(hHdr_, ui_.Lst1);
  idle_->saveTops();
  ui_.byteWith->setValue(kMinDistanceStart);
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
    search_->cancel();
    jobs_.stop();
    closeAfterWork_ = true;
    event->ignore();
    return;
  }
  if (!headerRemoved_) Form_QueryUnload();
  event->accept();
}

void MainWindow::workEnded() {
  if (!closeAfterWork_ || jobs_.running()) return;
  closeAfterWork_ = false;
  QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::say(const QString& text) {
  ui_.lStat->setText(text);
}

QString MainWindow::statusText() const {
  return ui_.lStat->text();
}

void MainWindow::yieldToEvents() {
  QCoreApplication::processEvents();
}

std::string MainWindow::dataFilePath() const {
  return ui_.inFile->text().toStdString();
}

void MainWindow::clearDataFilePath() {
  ui_.inFile->setText("");
}

bool MainWindow::backupWanted() const {
  return ui_.Check1->checkState() == Qt::Checked;
}

void MainWindow::showDifColumns() {
  replaceWithDifColumns(hHdr_, ui_.Lst1);
}

void MainWindow::reCalc() {
  listJobs_->recalculate();
}

void MainWindow::Timer1_Timer() {
  idle_->tick();
}

void MainWindow::Form_Click() {
  idle_->restartClock();
  idle_->restoreTops();
}

void MainWindow::Lst1_Click() {
  idle_->restartClock();
}

void MainWindow::byteWith_Change() {
  distance_->showSpinValue();
  listJobs_->regroup(ui_.byteWith->value());
}

void MainWindow::tbyteWith_Change() {
  distance_->applyBox();
}

void MainWindow::cBW_Click() {
  if (!session_.editingDif()) distance_->applyPreset();
}

void MainWindow::tbyteWith_DblClick() {
  distance_->openPresets();
}

void MainWindow::Command1_Click() {
  if (busy()) return;
  std::string path = chooser_.AskOpenFile(FileKind::SourceBin);
  if (!path.empty() && session_.editingDif() && !fitsBlockLine(path)) {
    services_.messenger.error(kBadDataFileNameText);
    path.clear();
  }
  if (!path.empty()) ui_.inFile->setText(qs(path));
  idle_->restartClock();
}

void MainWindow::Command2_Click() {
  if (busy()) return;
  const std::string path = chooser_.AskOpenFile(FileKind::TargetBin);
  if (!path.empty()) ui_.outFile->setText(qs(path));
}

void MainWindow::opOrig_Click() {
  if (busy()) return;
  session_.setEditingDif(false);
  Command1_Click();
}

void MainWindow::opTarg_Click() {
  if (busy()) return;
  session_.setEditingDif(false);
  Command2_Click();
}

void MainWindow::inFile_Change() {
  if (session_.editingDif()) {
    ui_.bAdd->setEnabled(true);
  } else {
    session_.blocks().clear();
    session_.releaseSearch();
    Activity();
  }
  chooser_.RememberFolder(dataFilePath());
}

void MainWindow::outFile_Change() {
  session_.blocks().clear();
  session_.releaseSearch();
  Activity();
}

// Runs the search to its end (list shown, cancelled or failed) before it returns, while the
// window goes on answering.
void MainWindow::bSer_Click() {
  // The edited DIF is the list: a search would replace it with a comparison of other files.
  if (session_.editingDif()) return;
  if (search_->start(ui_.inFile->text().toStdString(), ui_.outFile->text().toStdString(),
                     ui_.byteWith->value())) {
    jobs_.wait();
  }
}

void MainWindow::bCancel_Click() {
  search_->cancel();
}

void MainWindow::bdif_Click() {
  if (busy()) return;
  difCommands_->writeDif();
}

void MainWindow::AppDif_Click() {
  if (busy()) return;
  difCommands_->applyDif();
}

void MainWindow::redDIF_Click() {
  if (busy()) return;
  difCommands_->openForEditing();
}

void MainWindow::bSplit_Click() {
  if (busy()) return;
  blockCommands_->mergeSelected();
}

void MainWindow::bDel_Click() {
  if (busy()) return;
  blockCommands_->deleteSelected();
}

void MainWindow::bAdd_Click() {
  if (busy()) return;
  blockCommands_->addBlock();
}

void MainWindow::Lst1_DblClick() {
  if (busy()) return;
  blockCommands_->editCaretLine();
}

void MainWindow::asso_Click() {
  if (busy()) return;
  const Status associated = associateFileTypes(
      services_.fs, services_.settings, AssociationPlaces::fromEnvironment(services_.programPath));
  if (!associated) services_.messenger.error(associated.error().message);
}

void MainWindow::About_Click() {
  services_.messenger.notice(std::string(kProgramCaption) + "\n\n" + kAuthorshipText);
}

}  // namespace hm
