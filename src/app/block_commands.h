#pragma once

#include "app/block_editor.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <cstdint>
#include <optional>

namespace hm {

class ListJobs;
class Session;

// Merging, deleting, adding and re-addressing blocks. Each asks what it must through the
// messenger and the block dialogs and, when it changed the list, ends with the recalculation.
// None starts while long work reads the list.
class BlockCommands {
 public:
  BlockCommands(Session& session, ListJobs& listJobs, BlockEditor& editor, Messenger& messenger);

  void mergeSelected();
  void deleteSelected();
  void addBlock();
  // A double-click on the caret line: its addresses, or its data block, in the dialog.
  void editCaretLine();

 private:
  // The length of the data file named in DIF-editing mode; nothing after saying why not.
  std::optional<std::int32_t> dataFileLength();

  Session& session_;
  ListJobs& listJobs_;
  BlockEditor& editor_;
  Messenger& messenger_;
};

}  // namespace hm
