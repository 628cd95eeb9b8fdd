#pragma once

#include "app/carry_files.h"
#include "platform/file_chooser.h"
#include "platform/messenger.h"

#include <memory>

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace hm {

// The result of "Перенести DIF на другой BIN...": every block of the DIF with its range, its
// address in the new BIN, the shift and the outcome; the selected block's bytes in the new BIN
// beside the DIF's; "Сохранить DIF..." writes the carried DIF with its backup.
class CarryResultDialog : public QDialog {
  Q_OBJECT
 public:
  CarryResultDialog(std::shared_ptr<const CarriedDif> carried, FileSystem& fs, FileChooser& chooser,
                    Messenger& messenger, QWidget* parent = nullptr);

  // "Сохранить DIF...": the save dialog, then the pair written under the locks "Создать DIF"
  // takes. False when nothing was written.
  bool save();
  QTableView* table() const { return table_; }

 private:
  void fill();
  void showBytes(int row);

  std::shared_ptr<const CarriedDif> carried_;
  FileSystem& fs_;
  FileChooser& chooser_;
  Messenger& messenger_;
  QTableView* table_ = nullptr;
  QLabel* summary_ = nullptr;
  QPlainTextEdit* newBinBytes_ = nullptr;
  QPlainTextEdit* difBytes_ = nullptr;
};

}  // namespace hm
