#pragma once

#include "editing/block_exchange.h"
#include "platform/messenger.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace hm {

class HexLineEdit;

// The block address dialog: start and end of one block, with the free room around it shown
// as a guide. Made for one use: the caller prepares the exchange, runs exec() and reads the
// exchange back; only OK marks it accepted.
class AddressDialog : public QDialog {
  Q_OBJECT

 public:
  AddressDialog(QWidget* parent, AddressExchange& exchange, bool difEdit, Messenger& messenger,
                const QString& title = QString::fromUtf8(kAddressDialogTitle));

 private:
  void buildControls();
  void load();
  void Command1_Click();

  AddressExchange& exchange_;
  const bool difEdit_;
  Messenger& messenger_;

  QLabel* Label1_ = nullptr;
  HexLineEdit* Text1_ = nullptr;
  QLabel* lfr_ = nullptr;
  QLabel* Label2_ = nullptr;
  HexLineEdit* Text2_ = nullptr;
  QLabel* lto_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
};

}  // namespace hm
