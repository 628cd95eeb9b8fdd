#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/command_line.h"
#include "blocks/block_list.h"
#include "editing/block_exchange.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/file_fingerprint.h"
#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/settings_store.h"
#include "search/diff_search.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QHeaderView;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace hm {

class BlockDialogs;
class BlockListView;

// Everything the window reaches outside itself; tests hand in scripted fakes.
struct WindowServices {
  Messenger& messenger;
  FileDialogs& dialogs;
  BlockDialogs& blockDialogs;
  FileSystem& fs;
  Clock& clock;
  SettingsStore& settings;
  std::string programPath;  // for the file-type association
};

// The program's one window (Form1): the two paths, the block list under its column header, the
// minimum distance, the DIF commands and the status line. It owns the state the commands share.
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(WindowServices services, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The last start-up step. Returns the exit status when the line ends the program.
  std::optional<int> runCommandLine(const CommandLine& command);

  // Commands, named after the controls that start them.
  void bSer_Click();
  void bCancel_Click();
  void bdif_Click();
  void AppDif_Click();
  void redDIF_Click();
  void Command1_Click();
  void Command2_Click();
  void opOrig_Click();
  void opTarg_Click();
  void bSplit_Click();
  void bDel_Click();
  void bAdd_Click();
  void Lst1_Click();
  void Lst1_DblClick();
  void asso_Click();
  void About_Click();
  void Form_Click();
  void Timer1_Timer();
  void byteWith_Change();
  void cBW_Click();
  void tbyteWith_Change();
  void tbyteWith_DblClick();
  void inFile_Change();
  void outFile_Change();
  void Activity();
  void reCalc();

  // State the tests look at.
  bool difEdit() const { return difEdit_; }
  BlockList& blocks() { return list_; }
  BlockListView* listView() const { return Lst1_; }
  QHeaderView* header() const { return hHdr_; }
  FileChooser& chooser() { return chooser_; }
  const RawBlocks& rawBlocks() const { return RawBlocks_; }
  std::int32_t targetLength() const { return TargetLength_; }
  Tick lastTick() const { return lastTick_; }
  // Controls in control order; the timer's place holds nullptr.
  const std::vector<QWidget*>& controls() const { return controls_; }
  const std::vector<std::int16_t>& savedTops() const { return ctlTop_; }
  QTimer* timer() const { return Timer1_; }
  int errorsReported() const { return errorsReported_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildMenus();
  void Form_Load();
  void Form_QueryUnload();
  void showDifColumns();
  void releaseImages();
  void processEvents();
  void say(const QString& text);
  void showError(const std::string& text);
  MessageAnswer ask(const std::string& text, MessageButtons buttons, MessageIcon icon);
  std::optional<std::int32_t> dataFileLength();
  bool mayReplaceDif(const std::string& path, std::unique_ptr<FileLock>& held);
  std::optional<int> endProgram(int status);
  int runComparison(const CommandLine& command);
  int runBlockInsertion(const CommandLine& command);

  WindowServices services_;
  FileChooser chooser_;
  BlockList list_;

  QWidget* surface_ = nullptr;
  QPushButton* bSplit_ = nullptr;
  QPushButton* bAdd_ = nullptr;
  QPushButton* bDel_ = nullptr;
  QCheckBox* Check1_ = nullptr;
  QPushButton* bDIF_ = nullptr;
  QPushButton* bCancel_ = nullptr;
  QLineEdit* tbyteWith_ = nullptr;
  QScrollBar* byteWith_ = nullptr;
  QFrame* Frame1_ = nullptr;
  QTimer* Timer1_ = nullptr;
  BlockListView* Lst1_ = nullptr;
  QPushButton* bSer_ = nullptr;
  QPushButton* Command2_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QLineEdit* outFile_ = nullptr;
  QLineEdit* inFile_ = nullptr;
  QComboBox* cBW_ = nullptr;
  QLabel* Label1_ = nullptr;
  QLabel* lStat_ = nullptr;
  QHeaderView* hHdr_ = nullptr;

  std::vector<QWidget*> controls_;
  std::vector<std::int16_t> ctlTop_;

  bool difEdit_ = false;
  Tick lastTick_ = 0;
  bool ActionFlag_ = false;
  bool searching_ = false;
  bool searchCompleted_ = false;
  bool closeAfterSearch_ = false;
  bool headerRemoved_ = false;
  int errorsReported_ = 0;

  ByteImage SourceBytes_;
  ByteImage TargetBytes_;
  ByteImage DifBytes_;
  std::optional<FileFingerprint> difRead_;  // what DifBytes_ was read from
  std::unique_ptr<FileLock> difLock_;       // held by the insertion form from read to rename
  RawBlocks RawBlocks_;
  std::int32_t TargetLength_ = 0;
};

}  // namespace hm
