#pragma once

#include "platform/file_chooser.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace hm {

class CommandHost;
class Session;

// The DIF commands of the window: writing the list as a DIF, applying a DIF to a BIN (verified
// against the DIF's counterpart where one fits), and opening a DIF for editing.
class DifCommands {
 public:
  DifCommands(Session& session, CommandHost& host, FileChooser& chooser, FileSystem& fs,
              Messenger& messenger);

  void writeDif();
  void applyDif();
  void openForEditing();

 private:
  bool mayReplace(const std::string& path, std::unique_ptr<FileLock>& held);
  std::optional<const char*> agreeToApply(const std::string& difPath,
                                          std::span<const std::uint8_t> dif,
                                          std::span<const std::uint8_t> bin);
  bool askApplyAnyway(const std::string& why, MessageIcon icon);

  Session& session_;
  CommandHost& host_;
  FileChooser& chooser_;
  FileSystem& fs_;
  Messenger& messenger_;
};

}  // namespace hm
