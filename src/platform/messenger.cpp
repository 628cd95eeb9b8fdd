#include "platform/messenger.h"

#include <cstdio>

namespace hm {

MessageAnswer StderrMessenger::show(const std::string& text, MessageButtons buttons, MessageIcon) {
  std::fprintf(stderr, "Hexmarshal: %s\n", text.c_str());
  std::fflush(stderr);
  return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

}  // namespace hm
