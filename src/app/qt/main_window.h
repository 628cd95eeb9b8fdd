#pragma once

#include "app/block_commands.h"
#include "app/block_editor.h"
#include "app/dif_jobs.h"
#include "app/ips_jobs.h"
#include "app/list_jobs.h"
#include "app/qt/job_runner.h"
#include "app/qt/window_controls.h"
#include "app/search_command.h"
#include "app/session.h"
#include "blocks/qt/column_header.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"  // FileDialogs
#include "platform/messenger.h"
#include "platform/settings.h"

#include <memory>
#include <string>

#include <QMainWindow>

namespace hm {

class BlockBytesCommand;
class DistanceControls;
class IdleAnimation;
class WindowFileCommands;

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

  const WindowServices& services() const { return services_; }
  WindowFileCommands& files() { return *files_; }

  // Handlers, named after the controls that start them.
  void bSer_Click();
  void bCancel_Click();
  void bSplit_Click() { blockCommands_.mergeSelected(); }
  void bDel_Click() { blockCommands_.deleteSelected(); }
  void bAdd_Click() { blockCommands_.addBlock(); }
  void Lst1_DblClick() { blockCommands_.editCaretLine(); }
  void About_Click();
  void mnuBytes_Click();
  void Lst1_ContextMenu(const QPoint& position);
  void Activity();
  void reCalc() { listJobs_.recalculate(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectCommands();
  void Form_Load();
  void Form_QueryUnload();
  void sessionChanged(unsigned changes) override;
  void focusAfterSearch(bool found);

  WindowServices services_;
  Session& session_;
  WindowControls ui_;
  HeaderTable headers_;
  QHeaderView* hHdr_ = nullptr;
  IdleAnimation* idle_ = nullptr;
  DistanceControls* distance_ = nullptr;
  WindowFileCommands* files_ = nullptr;
  std::unique_ptr<BlockBytesCommand> blockBytes_;
  bool closeAfterWork_ = false;
  bool headerRemoved_ = false;
  // Last, so that it goes first: its work reads the session and reports to the commands.
  JobRunner jobs_;
  ListJobs listJobs_{session_, jobs_, services_.messenger};
  DifJobs difJobs_{session_, jobs_, listJobs_, services_.messenger};
  IpsJobs ipsJobs_{session_, jobs_, listJobs_, services_.messenger};
  SearchCommand search_{session_, jobs_, listJobs_, services_.messenger, services_.clock};
  BlockCommands blockCommands_{session_, listJobs_, services_.blockEditor, services_.messenger};
};

}  // namespace hm
