#include "app/qt/dif_commands.h"

#include <QString>

#include "app/qt/command_host.h"
#include "app/session.h"
#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"

namespace hm {

DifCommands::DifCommands(Session& session, CommandHost& host, FileChooser& chooser, FileSystem& fs,
                         Messenger& messenger)
    : session_(session), host_(host), chooser_(chooser), fs_(fs), messenger_(messenger) {}

void DifCommands::writeDif() {
  std::string path = chooser_.AskSaveFile(FileKind::Dif);
  if (path.empty()) return;
  path = difOutputName(path);

  host_.say(kDifWritingText);
  host_.yieldToEvents();
  if (Status written = session_.writeDif(path); !written) {
    messenger_.error(written.error().message);
    return;
  }
  if (host_.backupWanted() && !session_.editingDif()) {
    if (Status backup = session_.writeBackup(path); !backup) {
      messenger_.error(backup.error().message);
      return;
    }
  }
  host_.say(kDifCreatedText);
}

// The DIF is checked whole before the BIN is even asked for.
void DifCommands::applyDif() {
  const std::string difPath = chooser_.AskOpenFile(FileKind::Dif);
  chooser_.cmdMode = false;
  if (difPath.empty()) return;

  std::optional<ByteImage> dif = fs_.read(difPath);
  if (!dif) return messenger_.error(kBinWriteErrorText);
  host_.yieldToEvents();
  if (Status checked = checkDif(dif->bytes()); !checked) {
    return messenger_.error(checked.error().message);
  }

  const std::string binPath = chooser_.AskOpenFile(FileKind::SourceBin);
  if (binPath.empty()) return;
  std::optional<ByteImage> bin = fs_.read(binPath);
  if (!bin) return messenger_.error(kBinWriteErrorText);
  hm::applyDif(dif->bytes(), *bin);

  const std::string outPath = chooser_.AskSaveFile(FileKind::SourceBin);
  if (outPath.empty()) return;
  if (Status written = writeBin(fs_, outPath, bin->bytes()); !written) {
    return messenger_.error(written.error().message);
  }
  messenger_.notice(kDifAppliedText);
}

// The mode stays on whatever the DIF turns out to be; the layout follows it.
void DifCommands::openForEditing() {
  const std::string path = chooser_.AskOpenFile(FileKind::Dif);
  if (path.empty()) return;
  host_.clearDataFilePath();
  chooser_.difPath = path;
  session_.setEditingDif(true);
  session_.blocks().clear();
  host_.showDifColumns();

  if (Status read = session_.readDif(path); !read) {
    host_.Activity();
    return messenger_.error(read.error().message);
  }
  host_.say(kReadingBlocksText);
  host_.yieldToEvents();
  if (Status listed = session_.listDif(); !listed) {
    host_.Activity();
    return messenger_.error(listed.error().message);
  }
  host_.reCalc();
}

}  // namespace hm
