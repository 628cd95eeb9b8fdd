#pragma once

#include "app/block_editor.h"
#include "platform/messenger.h"

#include <QPointer>
#include <QWidget>

namespace hm {

// Shows the real block dialogs, one fresh modal dialog per use, over the window set as owner.
class ModalBlockDialogs : public BlockEditor {
 public:
  explicit ModalBlockDialogs(Messenger& messenger) : messenger_(messenger) {}
  void setOwner(QWidget* owner) { owner_ = owner; }

  void editAddresses(AddressExchange& exchange, bool difEdit, const std::string& title) override;
  void editDataBlock(DataBlockExchange& exchange, const std::string& title) override;

 private:
  Messenger& messenger_;
  QPointer<QWidget> owner_;
};

}  // namespace hm
