#include "app/qt/main_window.h"

#include "app/control_state.h"
#include "app/history_commands.h"
#include "app/qt/block_bytes_command.h"
#include "app/qt/column_sets.h"
#include "app/qt/command_wiring.h"
#include "app/qt/distance_controls.h"
#include "app/qt/idle_animation.h"
#include "app/qt/window_file_commands.h"
#include "app/version.h"
#include "blocks/qt/block_list_view.h"
#include "platform/qt/qt_text.h"
#include "resources/form1_layout.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

namespace hm {

MainWindow::MainWindow(WindowServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), session_(services_.session) {
  setObjectName("Form1");
  setWindowTitle(kProgramCaption);
  ui_.build(this, session_.blocks(), [this] { idle_->Form_Click(); });
  // The controls stand where they were designed; a larger window would only add empty space,
  // so there is nothing to maximize either.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  idle_ = new IdleAnimation(this, ui_.controls, ui_.Timer1, services_.clock);
  distance_ = new DistanceControls(ui_.tbyteWith, ui_.byteWith, ui_.cBW, session_, listJobs_);
  files_ = new WindowFileCommands(this, services_, ui_, listJobs_, difJobs_, ipsJobs_, *idle_);
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
  connectClicks(this, {{ui_.bSer, &MainWindow::bSer_Click},
                       {ui_.bCancel, &MainWindow::bCancel_Click},
                       {ui_.bSplit, &MainWindow::bSplit_Click},
                       {ui_.bDel, &MainWindow::bDel_Click},
                       {ui_.bAdd, &MainWindow::bAdd_Click},
                       {ui_.About, &MainWindow::About_Click},
                       {ui_.mnuBytes, &MainWindow::mnuBytes_Click},
                       {ui_.lmSplit, &MainWindow::bSplit_Click},
                       {ui_.lmDel, &MainWindow::bDel_Click},
                       {ui_.lmEdit, &MainWindow::Lst1_DblClick}});
  connect(ui_.mnuUndo, &QAction::triggered, this, [this] { undoEdit(session_, listJobs_); });
  connect(ui_.mnuRedo, &QAction::triggered, this, [this] { redoEdit(session_, listJobs_); });
  connect(ui_.exxit, &QAction::triggered, this, &QWidget::close);
  connect(ui_.Lst1, &BlockListView::pressed, idle_, &IdleAnimation::Lst1_Click);
  connect(ui_.Lst1, &BlockListView::doubleClicked, this, &MainWindow::Lst1_DblClick);
  connect(ui_.Lst1, &BlockListView::caretMoved, this, [this] { blockBytes_->follow(false); });
  connect(ui_.Lst1, &QWidget::customContextMenuRequested, this, &MainWindow::Lst1_ContextMenu);
  connect(ui_.Check1, &QCheckBox::toggled, this, [this](bool on) { session_.setBackupWanted(on); });
  connect(&jobs_, &JobRunner::finished, this, [this] {
    if (closeAfterWork_ && !jobs_.running()) QTimer::singleShot(0, this, &QWidget::close);
  });
}

// One button stops whatever long work may be stopped: a search or work on a DIF file.
void MainWindow::bCancel_Click() {
  if (session_.difWork()) return difJobs_.cancel();
  search_.cancel();
}

void MainWindow::Form_Load() {
  const QRect list = ui_.Lst1->geometry();
  hHdr_ = CreateHeader(headers_, ui_.Lst1, list.left(), list.top() - layout::kHeaderHeightPixels,
                       list.width(), layout::kHeaderHeightPixels);
  addStartColumns(hHdr_, ui_.Lst1);
  idle_->saveTops();
  // The distance in use regroups the (empty) list and writes the status line.
  if (ui_.byteWith->value() == session_.minDistance()) distance_->byteWith_Change();
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
    bCancel_Click();
    jobs_.stop();
    closeAfterWork_ = true;
    return event->ignore();
  }
  if (!mayDiscardEdits(session_, services_.messenger)) return event->ignore();
  if (!headerRemoved_) Form_QueryUnload();
  event->accept();
}

// The window shows the session: its paths, its status, its mode's columns and what can be used.
void MainWindow::sessionChanged(unsigned changes) {
  if (changes & kPathsChanged) files_->showPaths();
  if (changes & kStatusChanged) {
    ui_.lStat->setText(qt(session_.status()));
    // Shown at once: a command that goes on working says what it does before it does it.
    ui_.lStat->repaint();
  }
  if ((changes & kModeChanged) && session_.editingDif()) replaceWithDifColumns(hHdr_, ui_.Lst1);
  if (changes & kDistanceChanged) distance_->showDistance(session_.minDistance());
  if (changes & kBackupChanged) ui_.Check1->setChecked(session_.backupWanted());
  if (changes & (kPathsChanged | kModeChanged | kWorkChanged | kListChanged)) Activity();
}

void MainWindow::Activity() {
  ui_.paint(controlState(session_));
  blockBytes_->follow(session_.searching());
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

}  // namespace hm
