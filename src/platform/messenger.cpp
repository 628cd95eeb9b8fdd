#include "platform/messenger.h"

#include <cstdio>

namespace hm {

MessageAnswer StderrMessenger::show(const std::string& text, MessageButtons, MessageIcon) {
  std::fprintf(stderr, "Hexmarshal: %s\n", text.c_str());
  std::fflush(stderr);
  return MessageAnswer::Ok;
}

}  // namespace hm
