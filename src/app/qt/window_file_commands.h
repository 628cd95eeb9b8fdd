#pragma once

#include "platform/file_chooser.h"

#include <optional>
#include <string>

#include <QObject>

namespace hm {

class DifJobs;
class IpsJobs;
class IdleAnimation;
class ListJobs;
class Session;
struct WindowControls;
struct WindowServices;

// The window's file commands: the two path boxes and their buttons, the menu's opening,
// applying and association items, creating the DIF, and files dropped on the window. Each goes
// through the dialogs this class keeps the folder of, then to its command in the core.
class WindowFileCommands : public QObject {
  Q_OBJECT
 public:
  WindowFileCommands(QWidget* window, const WindowServices& services, const WindowControls& ui,
                     ListJobs& listJobs, DifJobs& difJobs, IpsJobs& ipsJobs, IdleAnimation& idle);

  void Command1_Click();
  void Command2_Click();
  void opOrig_Click();
  void opTarg_Click();
  void inFile_Change();
  void outFile_Change();
  void bdif_Click();
  void AppDif_Click() { applyDif(std::nullopt); }
  void redDIF_Click();
  // Ctrl+S
  void saveBack_Click();
  // "Сохранить как IPS..."
  void saveIps_Click();
  // "Перенести DIF на другой BIN..."
  void mnuCarry_Click();
  void asso_Click();
  // The path boxes show the session's paths.
  void showPaths();
  // Applies a DIF, asking for it first when none is given.
  void applyDif(std::optional<std::string> dif);

 private:
  void connectControls(QWidget* window);

  const WindowServices& services_;
  const WindowControls& ui_;
  Session& session_;
  ListJobs& listJobs_;
  DifJobs& difJobs_;
  IpsJobs& ipsJobs_;
  IdleAnimation& idle_;
  FileChooser chooser_;
};

}  // namespace hm
