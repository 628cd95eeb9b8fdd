#pragma once

#include "app/qt/block_dialogs.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <cstdint>
#include <optional>

namespace hm {

class CommandHost;
class Session;

// The block commands of the window: merging, deleting, adding and re-addressing blocks. Each
// ends, when it changed the list, with the window's recalculation.
class BlockCommands {
 public:
  BlockCommands(Session& session, CommandHost& host, BlockDialogs& dialogs, FileSystem& fs,
                Messenger& messenger);

  void mergeSelected();
  void deleteSelected();
  void addBlock();
  void editCaretLine();

 private:
  // The length of the data file named in DIF-editing mode; nothing after saying why not.
  std::optional<std::int32_t> dataFileLength();

  Session& session_;
  CommandHost& host_;
  BlockDialogs& dialogs_;
  FileSystem& fs_;
  Messenger& messenger_;
};

}  // namespace hm
