#pragma once

#include "editing/block_exchange.h"
#include "editing/qt/block_dialog.h"
#include "platform/messenger.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <QString>

namespace hm {

// The data-block dialog of DIF-editing mode: where a block's bytes start in the data file, how
// many there are, and where in the BIN they go.
class DataBlockDialog : public BlockDialog {
  Q_OBJECT

 public:
  DataBlockDialog(QWidget* parent, DataBlockExchange& exchange, Messenger& messenger,
                  const QString& title = qt(kDataBlockTitle));

 private:
  void load();
  bool store() override;

  DataBlockExchange& exchange_;

  Column offset_;
  Column length_;
  Column destination_;
};

}  // namespace hm
