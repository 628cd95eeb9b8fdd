#include "app/qt/block_dialogs.h"

#include "editing/qt/address_dialog.h"
#include "editing/qt/data_block_dialog.h"

namespace hm {

void ModalBlockDialogs::editAddresses(QWidget* owner, AddressExchange& exchange, bool difEdit,
                                      const QString& title) {
  AddressDialog dialog(owner, exchange, difEdit, messenger_, title);
  dialog.exec();
}

void ModalBlockDialogs::editDataBlock(QWidget* owner, DataBlockExchange& exchange,
                                      const QString& title) {
  DataBlockDialog dialog(owner, exchange, messenger_, title);
  dialog.exec();
}

}  // namespace hm
