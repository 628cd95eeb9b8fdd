#pragma once

#include "platform/messenger.h"

#include <vector>

#include <QDialog>
#include <QString>

class QLabel;

namespace hm {

class HexLineEdit;

// What the block dialogs share: columns of a caption over a hexadecimal field over the range the
// field may take, OK and Cancel under the last two columns, and a size fixed at the designed one.
// Enter moves on to the next field, so a block is typed in without the mouse; OK closes only when
// the fields are taken, and otherwise says why and leaves them as typed. Each dialog is made for
// one use: the caller prepares its exchange, runs exec() and reads the exchange back.
class BlockDialog : public QDialog {
  Q_OBJECT

 protected:
  BlockDialog(QWidget* parent, const char* objectName, const QString& title, Messenger& messenger,
              int columnWidth);

  struct Column {
    HexLineEdit* field = nullptr;
    QLabel* range = nullptr;
  };
  // Adds the next column to the right of the others, each control named as given.
  Column addColumn(const char* captionName, const char* caption, const char* fieldName,
                   const char* rangeName);
  // Called once the columns are all there.
  void addButtons();

  // Takes the fields into the exchange on OK; false when they are refused, the exchange untouched.
  virtual bool store() = 0;

 private:
  // Where column `index` starts, in twips; the one past the last is the designed width.
  int columnLeft(int index) const;
  void confirm();

  Messenger& messenger_;
  const int columnWidth_;
  std::vector<HexLineEdit*> fields_;
};

}  // namespace hm
