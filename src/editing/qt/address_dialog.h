#pragma once

#include "editing/block_exchange.h"
#include "editing/qt/block_dialog.h"
#include "platform/messenger.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <QString>

namespace hm {

// The block address dialog: start and end of one block, with the free room around it shown
// as a guide. Only OK marks the exchange accepted.
class AddressDialog : public BlockDialog {
  Q_OBJECT

 public:
  AddressDialog(QWidget* parent, AddressExchange& exchange, bool difEdit, Messenger& messenger,
                const QString& title = qt(kAddressDialogTitle));

 private:
  void load();
  bool store() override;

  AddressExchange& exchange_;
  const bool difEdit_;

  Column start_;
  Column end_;
};

}  // namespace hm
