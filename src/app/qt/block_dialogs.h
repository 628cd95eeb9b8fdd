#pragma once

#include "editing/block_exchange.h"
#include "platform/messenger.h"

#include <QString>

class QWidget;

namespace hm {

// The seam in front of the two modal block dialogs, so the window's tests can answer them.
// Each returns with the exchange values as the dialog left them.
class BlockDialogs {
 public:
  virtual ~BlockDialogs() = default;
  virtual void editAddresses(QWidget* owner, AddressExchange& exchange, bool difEdit,
                             const QString& title) = 0;
  virtual void editDataBlock(QWidget* owner, DataBlockExchange& exchange, const QString& title) = 0;
};

// Shows the real dialogs, one fresh dialog per use.
class ModalBlockDialogs : public BlockDialogs {
 public:
  explicit ModalBlockDialogs(Messenger& messenger) : messenger_(messenger) {}
  void editAddresses(QWidget* owner, AddressExchange& exchange, bool difEdit,
                     const QString& title) override;
  void editDataBlock(QWidget* owner, DataBlockExchange& exchange, const QString& title) override;

 private:
  Messenger& messenger_;
};

}  // namespace hm
