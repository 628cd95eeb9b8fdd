#include "app/qt/block_dialogs.h"

#include "editing/qt/address_dialog.h"
#include "editing/qt/data_block_dialog.h"
#include "platform/qt/qt_text.h"

namespace hm {

void ModalBlockDialogs::editAddresses(AddressExchange& exchange, bool difEdit,
                                      const std::string& title) {
  AddressDialog dialog(owner_, exchange, difEdit, messenger_, qt(title));
  dialog.exec();
}

void ModalBlockDialogs::editDataBlock(DataBlockExchange& exchange, const std::string& title) {
  DataBlockDialog dialog(owner_, exchange, messenger_, qt(title));
  dialog.exec();
}

}  // namespace hm
