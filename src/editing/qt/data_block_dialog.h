#pragma once

#include "editing/block_exchange.h"
#include "platform/messenger.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace hm {

class HexLineEdit;

// The data-block dialog of DIF-editing mode: where a block's bytes start in the data file, how
// many there are, and where in the BIN they go. Made for one use like AddressDialog.
class DataBlockDialog : public QDialog {
  Q_OBJECT

 public:
  DataBlockDialog(QWidget* parent, DataBlockExchange& exchange, Messenger& messenger,
                  const QString& title = QString::fromUtf8(kDataBlockTitle));

 private:
  void buildControls();
  void load();
  void Command1_Click();

  DataBlockExchange& exchange_;
  Messenger& messenger_;

  QLabel* Label1_ = nullptr;
  HexLineEdit* Text1_ = nullptr;
  QLabel* lfr_ = nullptr;
  QLabel* Label2_ = nullptr;
  HexLineEdit* Text2_ = nullptr;
  QLabel* lto_ = nullptr;
  QLabel* Label3_ = nullptr;
  HexLineEdit* Text3_ = nullptr;
  QLabel* Label4_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
};

}  // namespace hm
