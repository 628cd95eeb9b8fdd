#pragma once

#include "app/block_commands.h"
#include "app/block_editor.h"
#include "app/command_line.h"
#include "app/list_jobs.h"
#include "app/qt/job_runner.h"
#include "app/qt/window_controls.h"
#include "app/search_command.h"
#include "app/session.h"
#include "blocks/qt/column_header.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/messenger.h"
#include "platform/settings.h"

#include <memory>
#include <optional>
#include <string>

#include <QMainWindow>

class QHeaderView;

namespace hm {

class BlockBytesCommand;
class DistanceControls;
class IdleAnimation;

// Everything the window reaches outside itself; tests hand in scripted fakes and keep the
// session, which outlives the window.
struct WindowServices {
  Session& session;
  Messenger& messenger;
  FileDialogs& dialogs;
  BlockEditor& blockEditor;
  Clock& clock;
  Settings& settings;
  std::string programPath;  // for the file-type association
};

// The program's one window (Form1). It shows the session and wires its controls to the
// commands, which decide everything; Activity paints what the session allows.
class MainWindow : public QMainWindow, private SessionObserver {
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
  void inFile_Change();
  void outFile_Change();
  void Activity();
  void reCalc();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectCommands();
  void Form_Load();
  void Form_QueryUnload();
  void sessionChanged(unsigned changes) override;
  void showPaths();
  void focusAfterSearch(bool found);
  void applyDif(std::optional<std::string> dif);
  bool idle() const { return !session_.busy(); }

  WindowServices services_;
  Session& session_;
  FileChooser chooser_;
  WindowControls ui_;
  HeaderTable headers_;
  QHeaderView* hHdr_ = nullptr;
  IdleAnimation* idle_ = nullptr;
  DistanceControls* distance_ = nullptr;
  std::unique_ptr<BlockBytesCommand> blockBytes_;
  bool closeAfterWork_ = false;
  bool headerRemoved_ = false;
  // Last, so that it goes first: its work reads the session and reports to the commands.
  JobRunner jobs_;
  ListJobs listJobs_{session_, jobs_, services_.messenger};
  SearchCommand search_{session_, jobs_, listJobs_, services_.messenger, services_.clock};
  BlockCommands blockCommands_{session_, listJobs_, services_.blockEditor, services_.messenger};
};

}  // namespace hm
