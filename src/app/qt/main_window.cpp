#include "app/qt/main_window.h"

#include "app/qt/block_commands.h"
#include "app/qt/column_sets.h"
#include "app/qt/dif_commands.h"
#include "app/qt/distance_controls.h"
#include "app/qt/idle_animation.h"
#include "app/qt/search_command.h"
#include "app/version.h"
#include "blocks/block_line.h"
#include "blocks/qt/block_list_view.h"
#include "blocks/qt/column_header.h"
#include "dif/dif_format.h"
#include "platform/file_association.h"
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

constexpr const char* kAuthorship = "Разработчики Hexmarshal, 2026";
constexpr const char* kSourceCaption = "Исходный BIN";
constexpr const char* kDataFileCaption = "Файл данных";

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
  // The controls stand where they were designed; a larger window would only add empty space.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  idle_ = new IdleAnimation(this, ui_.controls, ui_.Timer1, services_.clock);
  distance_ = new DistanceControls(ui_.tbyteWith, ui_.byteWith, ui_.cBW);
  CommandHost& host = *this;
  search_ = std::make_unique<SearchCommand>(session_, host, services_.messenger, services_.clock,
                                            ui_.bCancel);
  difCommands_ =
      std::make_unique<DifCommands>(session_, host, chooser_, services_.fs, services_.messenger);
  blockCommands_ = std::make_unique<BlockCommands>(session_, host, services_.blockDialogs,
                                                   services_.fs, services_.messenger);
  connectCommands();
  Form_Load();
}

MainWindow::~MainWindow() {
  if (!headerRemoved_) Form_QueryUnload();
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
      {ui_.opOrig, &MainWindow::opOrig_Click}, {ui_.opTarg, &MainWindow::opTarg_Click},
      {ui_.redDIF, &MainWindow::redDIF_Click}, {ui_.AppDif, &MainWindow::AppDif_Click},
      {ui_.asso, &MainWindow::asso_Click},     {ui_.About, &MainWindow::About_Click}};
  for (auto [action, handler] : items) connect(action, &QAction::triggered, this, handler);
  connect(ui_.exxit, &QAction::triggered, this, &QWidget::close);
  connect(ui_.Lst1, &BlockListView::pressed, this, &MainWindow::Lst1_Click);
  connect(ui_.Lst1, &BlockListView::doubleClicked, this, &MainWindow::Lst1_DblClick);
  connect(ui_.Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
  connect(ui_.byteWith, &QScrollBar::valueChanged, this, &MainWindow::byteWith_Change);
  connect(ui_.tbyteWith, &QLineEdit::textChanged, this, &MainWindow::tbyteWith_Change);
  connect(ui_.cBW, &QComboBox::activated, this, &MainWindow::cBW_Click);
  connect(ui_.inFile, &QLineEdit::textChanged, this, &MainWindow::inFile_Change);
  connect(ui_.outFile, &QLineEdit::textChanged, this, &MainWindow::outFile_Change);
  ui_.Timer1->start();
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
  if (search_->running()) {
    // The search runs inside this window's handler: stop it first, close when it has ended.
    search_->cancel();
    closeAfterSearch_ = true;
    event->ignore();
    return;
  }
  if (!headerRemoved_) Form_QueryUnload();
  event->accept();
}

void MainWindow::say(const QString& text) {
  ui_.lStat->setText(text);
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

void MainWindow::Activity() {
  const bool d = session_.editingDif();
  const int n = session_.blocks().count();
  const QString in = ui_.inFile->text();
  const QString out = ui_.outFile->text();
  const bool canSearch = !in.isEmpty() && !out.isEmpty() && in != out;
  ui_.bSer->setEnabled(canSearch);
  ui_.bSplit->setEnabled(!d && n > 0);
  ui_.bDel->setEnabled(n > 0);
  if (!d) ui_.bAdd->setEnabled(canSearch);
  ui_.bCancel->setVisible(false);
  ui_.Command1->setText(d ? kDataFileCaption : kSourceCaption);
  ui_.Check1->setVisible(!d);
  ui_.Command2->setVisible(!d);
  ui_.outFile->setVisible(!d);
  ui_.byteWith->setEnabled(!d);
  ui_.tbyteWith->setEnabled(!d);
  // The presets regroup from the search result, which a DIF being edited does not have.
  ui_.cBW->setEnabled(!d);
}

void MainWindow::reCalc() {
  say(qs(totalsText(session_.recalc())));
  Activity();
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
  session_.regroup(ui_.byteWith->value());
  reCalc();
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
  std::string path = chooser_.AskOpenFile(FileKind::SourceBin);
  if (!path.empty() && session_.editingDif() && !fitsBlockLine(path)) {
    services_.messenger.error(kBadDataFileNameText);
    path.clear();
  }
  if (!path.empty()) ui_.inFile->setText(qs(path));
  idle_->restartClock();
}

void MainWindow::Command2_Click() {
  const std::string path = chooser_.AskOpenFile(FileKind::TargetBin);
  if (!path.empty()) ui_.outFile->setText(qs(path));
}

void MainWindow::opOrig_Click() {
  session_.setEditingDif(false);
  Command1_Click();
}

void MainWindow::opTarg_Click() {
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

void MainWindow::bSer_Click() {
  search_->run(ui_.inFile->text().toStdString(), ui_.outFile->text().toStdString(),
               [this] { byteWith_Change(); });
  if (closeAfterSearch_) {
    closeAfterSearch_ = false;
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::bCancel_Click() {
  search_->cancel();
}

void MainWindow::bdif_Click() {
  difCommands_->writeDif();
}

void MainWindow::AppDif_Click() {
  difCommands_->applyDif();
}

void MainWindow::redDIF_Click() {
  difCommands_->openForEditing();
}

void MainWindow::bSplit_Click() {
  blockCommands_->mergeSelected();
}

void MainWindow::bDel_Click() {
  blockCommands_->deleteSelected();
}

void MainWindow::bAdd_Click() {
  blockCommands_->addBlock();
}

void MainWindow::Lst1_DblClick() {
  blockCommands_->editCaretLine();
}

void MainWindow::asso_Click() {
  associateFileTypes(services_.fs, services_.settings,
                     AssociationPlaces::fromEnvironment(services_.programPath));
}

void MainWindow::About_Click() {
  services_.messenger.notice(std::string(kProgramCaption) + "\n\n" + kAuthorship);
}

}  // namespace hm
