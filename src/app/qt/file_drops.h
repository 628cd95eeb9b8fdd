#pragma once

#include "platform/file_chooser.h"

#include <functional>
#include <string>
#include <vector>

#include <QObject>

class QWidget;

namespace hm {

// Files dropped on the window's controls. A control takes one local file its test accepts and
// runs its command with the file answering that command's open dialog, so the file goes
// through what a chosen one does (FileChooser::withChosenFile). Anything else is refused as it
// enters, without a message: the drop cursor shows it.
class FileDrops : public QObject {
 public:
  using Accepts = std::function<bool(const std::string& path)>;

  FileDrops(QObject* parent, FileChooser& chooser) : QObject(parent), chooser_(chooser) {}

  void add(QWidget* target, Accepts accepts, std::function<void()> command);

  // A regular file, and one whose name ends in ".dif" in any letter case.
  static bool isFile(const std::string& path);
  static bool isDif(const std::string& path);
  // A DIF, or an IPS by its name or its header.
  static bool isPatch(const std::string& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Target {
    QObject* widget;
    Accepts accepts;
    std::function<void()> command;
  };

  FileChooser& chooser_;
  std::vector<Target> targets_;
};

}  // namespace hm
