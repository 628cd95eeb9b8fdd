#pragma once

#include <string>

class QString;
class QWidget;

namespace hm {

// What the window's commands ask of the window they run in. The commands own no controls: they
// read and change the session and tell the window what to show.
class CommandHost {
 public:
  virtual ~CommandHost() = default;

  // The window the commands' dialogs belong to.
  virtual QWidget* dialogOwner() = 0;
  // Writes the status line.
  virtual void say(const QString& text) = 0;
  virtual QString statusText() const = 0;
  // Lets the window repaint and answer between the steps of a long command.
  virtual void yieldToEvents() = 0;
  // Every change of the list ends here: recalculation, totals, control state.
  virtual void reCalc() = 0;
  virtual void Activity() = 0;
  // While work runs on the job runner, the controls that would start more work or change what
  // it reads are disabled and the list takes no clicks; afterwards they are as they were.
  virtual void setBusy(bool busy) = 0;
  // Where the keys go once a search has ended: the list it found, or the search button. Never
  // the distance box, where one arrow key would regroup the list.
  virtual void focusAfterSearch(bool found) = 0;

  // The data file named in DIF-editing mode.
  virtual std::string dataFilePath() const = 0;
  virtual void clearDataFilePath() = 0;
  virtual bool backupWanted() const = 0;
  virtual void showDifColumns() = 0;
};

}  // namespace hm
