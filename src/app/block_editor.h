#pragma once

#include "editing/block_exchange.h"

#include <string>

namespace hm {

// The two block dialogs as the commands see them: each returns with the exchange values as the
// dialog left them. The window shows the real, modal dialogs; tests answer them.
class BlockEditor {
 public:
  virtual ~BlockEditor() = default;
  virtual void editAddresses(AddressExchange& exchange, bool difEdit, const std::string& title) = 0;
  virtual void editDataBlock(DataBlockExchange& exchange, const std::string& title) = 0;
};

}  // namespace hm
