#include "app/qt/window_controls.h"

#include "app/control_state.h"
#include "app/qt/distance_controls.h"
#include "blocks/qt/block_list_view.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"
#include "resources/form1_layout.h"
#include "search/regroup.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <qdrawutil.h>

namespace hm {

namespace {

constexpr int kTimerCreatedMs = 100;

int px(int twips) {
  return twips / kTwipsPerPixel;
}

void place(QWidget* w, const layout::Place& p) {
  w->setGeometry(px(p.left), px(p.top), px(p.width), px(p.height));
}

template <class Widget>
Widget* named(Widget* widget, const char* name, const layout::Place& p) {
  widget->setObjectName(name);
  place(widget, p);
  return widget;
}

// The surface under the controls: draws the sunken frame and reports clicks on free space.
class Surface : public QWidget {
 public:
  Surface(QWidget* parent, std::function<void()> onClick)
      : QWidget(parent), onClick_(std::move(onClick)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    qDrawShadeRect(&painter, rect().adjusted(1, 1, -1, -1), palette(), true, 1);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

// Clicks on a label or on the frame belong to them, not to the window's free area.
class SwallowPresses : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override {
    return event->type() == QEvent::MouseButtonPress;
  }
};

}  // namespace

void WindowControls::build(QMainWindow* window, BlockList& blocks,
                           std::function<void()> onFreeAreaClick) {
  surface = new Surface(window, std::move(onFreeAreaClick));
  surface->setObjectName("surface");
  surface->setFixedSize(px(layout::kSurface.width), px(layout::kSurface.height));
  window->setCentralWidget(surface);
  buildControls(window, blocks);
  buildMenus(window);
  setReadingOrder();
}

void WindowControls::buildControls(QMainWindow* window, BlockList& blocks) {
  auto button = [this](const char* name, const char* caption, const layout::Place& p) {
    return named(new QPushButton(qt(caption), surface), name, p);
  };
  bSplit = button("bSplit", kMergeCaption, layout::kbSplit);
  bAdd = button("bAdd", kAddCaption, layout::kbAdd);
  bDel = button("bDel", kDeleteCaption, layout::kbDel);
  Check1 = named(new QCheckBox(qt(kBackupCaption), surface), "Check1", layout::kCheck1);
  bDIF = button("bDIF", kCreateDifCaption, layout::kbDIF);
  bCancel = button("bCancel", kCancelSearchCaption, layout::kbCancel);
  bCancel->setVisible(false);

  tbyteWith = named(new QLineEdit(surface), "tbyteWith", layout::ktbyteWith);
  tbyteWith->setValidator(new DistanceValidator(kMinDistanceHigh, tbyteWith));
  byteWith = named(new DistanceScrollBar(surface), "byteWith", layout::kbyteWith);
  byteWith->setRange(kMinDistanceLow, kMinDistanceHigh);
  // The design value differs from the start value, so start-up runs the change handler.
  byteWith->setValue(kMinDistanceLow);

  Frame1 = named(new QFrame(surface), "Frame1", layout::kFrame1);
  Frame1->setFrameShape(QFrame::StyledPanel);
  Timer1 = new QTimer(window);
  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kTimerCreatedMs);
  Lst1 = new BlockListView(blocks, Frame1);
  place(Lst1, layout::kLst1);

  bSer = button("bSer", kSearchCaption, layout::kbSer);
  Command2 = button("Command2", kTargetCaption, layout::kCommand2);
  Command1 = button("Command1", kSourceCaption, layout::kCommand1);
  outFile = named(new QLineEdit(surface), "outFile", layout::koutFile);
  inFile = named(new QLineEdit(surface), "inFile", layout::kinFile);

  cBW = named(new QComboBox(surface), "cBW", layout::kcBW);
  cBW->setEditable(true);
  cBW->addItems({"0", "2", "4", "8", "16", "32", "64", "128"});
  cBW->setCurrentIndex(-1);
  cBW->setValidator(new DistanceValidator(kMinDistanceHigh, cBW));

  Label1 = named(new QLabel(qt(kDistanceCaption), surface), "Label1", layout::kLabel1);
  lStat = named(new QLabel("0", surface), "lStat", layout::klStat);

  controls = {bSplit,   bAdd,   bDel,    Check1, bDIF, bCancel,  tbyteWith,
              byteWith, Frame1, nullptr, Lst1,   bSer, Command2, Command1,
              outFile,  inFile, cBW,     Label1, lStat};
  auto* swallow = new SwallowPresses(surface);
  for (QWidget* w :
       {static_cast<QWidget*>(Label1), static_cast<QWidget*>(lStat), static_cast<QWidget*>(Frame1)})
    w->installEventFilter(swallow);
}

void WindowControls::buildMenus(QMainWindow* window) {
  auto header = [window](const char* caption, int index) {
    QMenu* menu = window->menuBar()->addMenu(qt(caption));
    menu->setObjectName("mm");
    menu->setProperty("index", index);
    return menu;
  };
  auto item = [](QMenu* menu, const char* name, const char* caption, QKeySequence key) {
    QAction* action = menu->addAction(qt(caption));
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    return action;
  };

  QMenu* file = header(kFileMenuCaption, 0);
  opOrig = item(file, "opOrig", kOpenSourceItem, Qt::Key_F5);
  opTarg = item(file, "opTarg", kOpenTargetItem, Qt::Key_F6);
  redDIF = item(file, "redDIF", kEditDifItem, Qt::Key_F4);
  saveIps = item(file, "saveIps", kSaveIpsItem, {});
  file->addSeparator()->setObjectName("ss");
  exxit = item(file, "exxit", kExitItem, {});

  // Between the two menus the window was designed with, numbered apart from them.
  QMenu* edit = window->menuBar()->addMenu(qt(kEditMenuCaption));
  edit->setObjectName("mnuEdit");
  mnuUndo = item(edit, "mnuUndo", kUndoItem, QKeySequence(Qt::CTRL | Qt::Key_Z));
  mnuRedo = item(edit, "mnuRedo", kRedoItem, {});
  mnuRedo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  saveBack = new QAction(window);
  saveBack->setObjectName("saveBack");
  saveBack->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  window->addAction(saveBack);

  QMenu* tools = header(kToolsMenuCaption, 1);
  AppDif = item(tools, "AppDif", kApplyDifItem, Qt::Key_F3);
  asso = item(tools, "asso", kAssociateItem, {});
  mnuBytes = item(tools, "mnuBytes", kBlockBytesTitle, Qt::Key_F2);
  mnuCarry = item(tools, "mnuCarry", kCarryItem, {});

  QMenu* help = header(kHelpMenuCaption, 2);
  About = item(help, "About", kAboutItem, Qt::Key_F1);
  buildListMenu();
}

// The list's right-click menu: the block's bytes, then the list's own commands.
void WindowControls::buildListMenu() {
  lstMenu = new QMenu(Lst1);
  lstMenu->setObjectName("lstMenu");
  lstMenu->addAction(mnuBytes);
  lstMenu->addSeparator();
  auto item = [this](const char* name, const char* caption) {
    QAction* action = lstMenu->addAction(qt(caption));
    action->setObjectName(name);
    return action;
  };
  lmSplit = item("lmSplit", kMergeCaption);
  lmDel = item("lmDel", kDeleteCaption);
  lmEdit = item("lmEdit", kListMenuEditText);
  lstMenu->addSeparator();
  lstMenu->addAction(mnuUndo);
  lstMenu->addAction(mnuRedo);
  Lst1->setContextMenuPolicy(Qt::CustomContextMenu);
}

// Tab walks the window as it reads: the two paths with their buttons, the search and its
// distance, the list, then the commands on the right from top to bottom.
void WindowControls::setReadingOrder() {
  QWidget* order[] = {inFile, Command1, outFile, Command2, bSer, bCancel, tbyteWith,
                      cBW,    Lst1,     bSplit,  bAdd,     bDel, Check1,  bDIF};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    QWidget::setTabOrder(order[i], order[i + 1]);
  inFile->setFocus();
}

void WindowControls::paint(const ControlState& s) {
  const std::pair<QWidget*, bool> widgets[] = {
      {bSer, s.search},          {bSplit, s.merge},         {bAdd, s.add},
      {bDel, s.remove},          {bDIF, s.createDif},       {Command1, s.chooseFiles},
      {Command2, s.chooseFiles}, {inFile, s.chooseFiles},   {outFile, s.chooseFiles},
      {byteWith, s.normalMode},  {tbyteWith, s.normalMode}, {cBW, s.normalMode}};
  for (auto [widget, on] : widgets) widget->setEnabled(on);
  for (QAction* a : {opOrig, opTarg, redDIF, AppDif, asso, mnuCarry}) a->setEnabled(s.chooseFiles);
  lmSplit->setEnabled(s.merge);
  lmDel->setEnabled(s.remove);
  lmEdit->setEnabled(s.editLine);
  mnuUndo->setEnabled(s.undo);
  mnuRedo->setEnabled(s.redo);
  saveBack->setEnabled(s.saveBack);
  saveIps->setEnabled(s.createDif);
  bCancel->setVisible(s.cancelShown);
  Command1->setText(qt(s.firstButtonCaption));
  for (QWidget* w : std::initializer_list<QWidget*>{Check1, Command2, outFile}) {
    w->setVisible(s.normalMode);
  }
  Lst1->setFrozen(!s.listTakesClicks);
}

}  // namespace hm
