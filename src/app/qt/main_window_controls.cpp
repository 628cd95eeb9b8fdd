#include "app/qt/block_bytes_command.h"
#include "app/qt/main_window.h"
#include "app/qt/main_window_ui.h"
#include "app/qt/search_command.h"
#include "blocks/qt/block_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

// The window's controls: what starts each command, and what can be used when.
namespace hm {

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
  connect(ui_.Lst1, &BlockListView::caretMoved, this, &MainWindow::followCaret);
  connect(ui_.Lst1, &QWidget::customContextMenuRequested, this, &MainWindow::Lst1_ContextMenu);
  connect(ui_.Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
  connect(&jobs_, &JobRunner::finished, this, &MainWindow::workEnded);
  connect(ui_.byteWith, &QScrollBar::valueChanged, this, &MainWindow::byteWith_Change);
  connect(ui_.tbyteWith, &QLineEdit::textChanged, this, &MainWindow::tbyteWith_Change);
  connect(ui_.cBW, &QComboBox::activated, this, &MainWindow::cBW_Click);
  connect(ui_.inFile, &QLineEdit::textChanged, this, &MainWindow::inFile_Change);
  connect(ui_.outFile, &QLineEdit::textChanged, this, &MainWindow::outFile_Change);
  ui_.Timer1->start();
}

void MainWindow::Activity() {
  const bool d = session_.editingDif();
  const int n = session_.blocks().count();
  const QString in = ui_.inFile->text();
  const QString out = ui_.outFile->text();
  const bool canSearch = !in.isEmpty() && !out.isEmpty() && in != out;
  ui_.bSer->setEnabled(canSearch && !d);
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
  followCaret();
}

void MainWindow::followCaret() {
  if (blockBytes_) blockBytes_->follow(search_->running());
}

ByteViewer* MainWindow::byteViewer() const {
  return blockBytes_->viewer();
}

void MainWindow::mnuBytes_Click() {
  blockBytes_->open();
}

// The menu offers what the buttons and a double-click would do on the lines it was opened over.
void MainWindow::Lst1_ContextMenu(const QPoint& position) {
  const bool idle = !busy();
  ui_.lmSplit->setEnabled(idle && ui_.bSplit->isEnabled());
  ui_.lmDel->setEnabled(idle && ui_.bDel->isEnabled());
  ui_.lmEdit->setEnabled(idle && session_.blocks().caret() >= 0);
  ui_.lstMenu->popup(ui_.Lst1->viewport()->mapToGlobal(position));
}

void MainWindow::focusAfterSearch(bool found) {
  if (found && session_.blocks().count() > 0) {
    ui_.Lst1->setFocus();
  } else if (ui_.bSer->isEnabled()) {
    ui_.bSer->setFocus();
  }
}

// The distance stays usable: a new one takes over from a regrouping under way.
void MainWindow::setBusy(bool busy) {
  ui_.Lst1->setFrozen(busy);
  followCaret();
  if (!busy) {
    for (QWidget* w : heldWidgets_) w->setEnabled(true);
    for (QAction* a : heldActions_) a->setEnabled(true);
    heldWidgets_.clear();
    heldActions_.clear();
    return;
  }
  for (QWidget* w : {static_cast<QWidget*>(ui_.bSer), static_cast<QWidget*>(ui_.bAdd),
                     static_cast<QWidget*>(ui_.bDel), static_cast<QWidget*>(ui_.bSplit),
                     static_cast<QWidget*>(ui_.bDIF), static_cast<QWidget*>(ui_.Command1),
                     static_cast<QWidget*>(ui_.Command2), static_cast<QWidget*>(ui_.inFile),
                     static_cast<QWidget*>(ui_.outFile)}) {
    if (!w->isEnabled()) continue;
    heldWidgets_.push_back(w);
    w->setEnabled(false);
  }
  for (QAction* a : {ui_.opOrig, ui_.opTarg, ui_.redDIF, ui_.AppDif, ui_.asso}) {
    if (!a->isEnabled()) continue;
    heldActions_.push_back(a);
    a->setEnabled(false);
  }
}

}  // namespace hm
