#pragma once

#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;
class QWidget;

namespace hm {

class BlockList;
class BlockListView;
struct ControlState;

// The main window's controls and menus, each named and placed as designed (in twips). Building
// them wires nothing: the window connects the commands.
struct WindowControls {
  // Builds everything onto `window`. `onFreeAreaClick` runs for a click on the window's surface
  // that no control takes.
  void build(QMainWindow* window, BlockList& blocks, std::function<void()> onFreeAreaClick);
  // Shows what can be used and which mode the window is in.
  void paint(const ControlState& state);

  QWidget* surface = nullptr;
  QPushButton* bSplit = nullptr;
  QPushButton* bAdd = nullptr;
  QPushButton* bDel = nullptr;
  QCheckBox* Check1 = nullptr;
  QPushButton* bDIF = nullptr;
  QPushButton* bCancel = nullptr;
  QLineEdit* tbyteWith = nullptr;
  QScrollBar* byteWith = nullptr;
  QFrame* Frame1 = nullptr;
  QTimer* Timer1 = nullptr;
  BlockListView* Lst1 = nullptr;
  QPushButton* bSer = nullptr;
  QPushButton* Command2 = nullptr;
  QPushButton* Command1 = nullptr;
  QLineEdit* outFile = nullptr;
  QLineEdit* inFile = nullptr;
  QComboBox* cBW = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* lStat = nullptr;

  QAction* opOrig = nullptr;
  QAction* opTarg = nullptr;
  QAction* redDIF = nullptr;
  // "Сохранить как IPS...": the list written as "Создать DIF" writes it, as an IPS.
  QAction* saveIps = nullptr;
  QAction* exxit = nullptr;
  QAction* AppDif = nullptr;
  QAction* asso = nullptr;
  QAction* About = nullptr;
  // The block's bytes (F2), also first in the list's right-click menu.
  QAction* mnuBytes = nullptr;
  // "Перенести DIF на другой BIN...", in "Инструменты".
  QAction* mnuCarry = nullptr;
  QMenu* lstMenu = nullptr;
  QAction* lmSplit = nullptr;
  QAction* lmDel = nullptr;
  QAction* lmEdit = nullptr;
  // "Правка": undo and redo of the list's edits, also in the list's right-click menu.
  QAction* mnuUndo = nullptr;
  QAction* mnuRedo = nullptr;
  // Ctrl+S, in no menu: the DIF being edited saved back over its file.
  QAction* saveBack = nullptr;

  // The controls in the order they were created, the order the idle animation walks; the
  // timer's place holds nullptr.
  std::vector<QWidget*> controls;

 private:
  void buildControls(QMainWindow* window, BlockList& blocks);
  void buildMenus(QMainWindow* window);
  void buildListMenu();
  void setReadingOrder();
};

}  // namespace hm
