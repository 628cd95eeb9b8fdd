#pragma once

#include "platform/file_chooser.h"

#include <memory>

class QFileDialog;
class QWidget;

namespace hm {

// Qt's file dialog with the two filter entries, the title and the start folder of the request.
// On a headless platform nobody can answer it, so it answers as if cancelled.
class QtFileDialogs : public FileDialogs {
 public:
  explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  std::string choose(const FileDialogRequest& request) override;

 private:
  QWidget* parent_;
};

// The dialog that choose() runs, built but not yet shown.
std::unique_ptr<QFileDialog> makeFileDialog(const FileDialogRequest& request, QWidget* parent);

}  // namespace hm
