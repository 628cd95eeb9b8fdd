#pragma once

#include "app/command_line.h"
#include "app/qt/command_host.h"
#include "app/qt/idle_animation.h"
#include "app/qt/job_runner.h"
#include "app/qt/main_window_ui.h"
#include "app/session.h"
#include "blocks/qt/column_header.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "platform/settings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

class QHeaderView;
class QTimer;

namespace hm {

class BlockBytesCommand;
class BlockCommands;
class BlockDialogs;
class BlockListView;
class ByteViewer;
class DifCommands;
class DistanceControls;
class ListJobs;
class SearchCommand;

// Everything the window reaches outside itself; tests hand in scripted fakes.
struct WindowServices {
  Messenger& messenger;
  FileDialogs& dialogs;
  BlockDialogs& blockDialogs;
  FileSystem& fs;
  Clock& clock;
  Settings& settings;
  std::string programPath;  // for the file-type association
};

// The program's one window (Form1): the two paths, the block list under its column header, the
// minimum distance, the DIF commands and the status line. The commands live in their own
// controllers and the state they share in the session; the window wires them to its controls
// and decides, in Activity, what can be used.
class MainWindow : public QMainWindow, private CommandHost {
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
  void mnuBytes_Click();
  void Lst1_ContextMenu(const QPoint& position);
  void Form_Click();
  void Timer1_Timer();
  void byteWith_Change();
  void cBW_Click();
  void tbyteWith_Change();
  void tbyteWith_DblClick();
  void inFile_Change();
  void outFile_Change();
  void Activity() override;
  void reCalc() override;

  // State the tests look at.
  bool difEdit() const { return session_.editingDif(); }
  BlockList& blocks() { return session_.blocks(); }
  BlockListView* listView() const { return ui_.Lst1; }
  QHeaderView* header() const { return hHdr_; }
  FileChooser& chooser() { return chooser_; }
  const RawBlocks& rawBlocks() const { return session_.rawBlocks(); }
  std::int32_t targetLength() const { return session_.targetLength(); }
  Tick lastTick() const { return idle_->lastTick(); }
  // Controls in control order; the timer's place holds nullptr.
  const std::vector<QWidget*>& controls() const { return ui_.controls; }
  const std::vector<std::int16_t>& savedTops() const { return idle_->savedTops(); }
  QTimer* timer() const { return ui_.Timer1; }
  ByteViewer* byteViewer() const;
  // Whether long work runs on the job runner; waitForWork() turns the event loop until it ends.
  bool busy() const { return jobs_.running(); }
  void waitForWork() { jobs_.wait(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectCommands();
  void acceptFileDrops();
  void Form_Load();
  void Form_QueryUnload();
  std::optional<int> endProgram(int status);
  int runJobInWindow(const CommandLine& command);
  void workEnded();
  void followCaret();

  // CommandHost
  QWidget* dialogOwner() override { return this; }
  void say(const QString& text) override;
  QString statusText() const override;
  void yieldToEvents() override;
  std::string dataFilePath() const override;
  void clearDataFilePath() override;
  bool backupWanted() const override;
  void showDifColumns() override;
  void setBusy(bool busy) override;
  void focusAfterSearch(bool found) override;

  WindowServices services_;
  Session session_;
  FileChooser chooser_;
  MainWindowUi ui_;
  HeaderTable headers_;
  QHeaderView* hHdr_ = nullptr;
  IdleAnimation* idle_ = nullptr;
  DistanceControls* distance_ = nullptr;
  std::unique_ptr<SearchCommand> search_;
  std::unique_ptr<ListJobs> listJobs_;
  std::unique_ptr<DifCommands> difCommands_;
  std::unique_ptr<BlockCommands> blockCommands_;
  std::unique_ptr<BlockBytesCommand> blockBytes_;
  std::vector<QWidget*> heldWidgets_;  // disabled while busy
  std::vector<QAction*> heldActions_;
  bool closeAfterWork_ = false;
  bool headerRemoved_ = false;
  // Last, so that it goes first: its work reads the session and calls the controllers.
  JobRunner jobs_;
};

}  // namespace hm
