#include "app/file_choice_commands.h"

#include "blocks/block_line.h"
#include "platform/user_texts.h"

namespace hm {

void chooseFirstFile(Session& session, FileChooser& chooser, Messenger& messenger) {
  if (session.busy()) return;
  const std::string path = chooser.AskOpenFile(FileKind::SourceBin);
  if (path.empty()) return;
  if (session.editingDif() && !fitsBlockLine(path)) return messenger.error(kBadDataFileNameText);
  session.setInFile(path);
}

void chooseTargetFile(Session& session, FileChooser& chooser) {
  if (session.busy()) return;
  const std::string path = chooser.AskOpenFile(FileKind::TargetBin);
  if (!path.empty()) session.setOutFile(path);
}

}  // namespace hm
