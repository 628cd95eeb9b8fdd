#include "app/qt/dif_commands.h"

#include "app/qt/command_host.h"
#include "app/session.h"
#include "dif/dif_applier.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "dif/patch_verification.h"
#include "platform/file_lock.h"
#include "platform/user_texts.h"

#include <QString>

namespace hm {

DifCommands::DifCommands(Session& session, CommandHost& host, FileChooser& chooser, FileSystem& fs,
                         Messenger& messenger)
    : session_(session), host_(host), chooser_(chooser), fs_(fs), messenger_(messenger) {}

namespace {}  // namespace

// A DIF that exists is replaced under the lock the insertion form takes, so a run adding a block
// to it meanwhile is not undone; the DIF being edited only if no other program changed it since
// it was read, or the user says so.
bool DifCommands::mayReplace(const std::string& path, std::unique_ptr<FileLock>& held) {
  std::optional<FileInfo> info = fs_.stat(path);
  if (!info || !info->regular) return true;
  Result<std::unique_ptr<FileLock>> lock = fs_.lock(path, kFileLockWait, MissingFile::Fails);
  if (!lock) {
    messenger_.error(lock.error().message);
    return false;
  }
  held = std::move(lock.value());
  if (!session_.editedDifChangedOnDisk(path)) return true;
  return messenger_.show(kDifChangedText, MessageButtons::YesNo, MessageIcon::Question) ==
         MessageAnswer::Yes;
}

void DifCommands::writeDif() {
  std::string path = chooser_.AskSaveFile(FileKind::Dif);
  if (path.empty()) return;
  if (namesDeviceOrPipe(fs_, path)) return messenger_.error(kDifWriteErrorText);
  path = difOutputName(path);
  const bool backup = host_.backupWanted() && !session_.editingDif();
  std::unique_ptr<FileLock> held, heldBackup;
  if (!mayReplace(path, held)) return;
  if (backup && !mayReplace(backupDifName(path), heldBackup)) return;

  // A write that fails leaves the status line as it was: nothing was written.
  const QString before = host_.statusText();
  host_.say(kDifWritingText);
  host_.yieldToEvents();
  if (Status written = session_.writeDif(path, backup); !written) {
    host_.say(before);
    messenger_.error(written.error().message);
    return;
  }
  session_.noteDifWritten(path);
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
  const std::optional<const char*> done = agreeToApply(difPath, dif->bytes(), bin->bytes());
  if (!done) return host_.say(kApplyCancelledText);
  hm::applyDif(dif->bytes(), *bin);

  const std::string outPath = chooser_.AskSaveFile(FileKind::SourceBin);
  if (outPath.empty()) return;
  if (Status written = writeBin(fs_, outPath, bin->bytes()); !written) {
    return messenger_.error(written.error().message);
  }
  host_.say(*done);
  messenger_.notice(kDifAppliedText);
}

// A BIN that is not the DIF's source is patched only when the user says so; No, the default,
// leaves it alone. A counterpart that is there but cannot be used is asked about as such a BIN
// is. The answer is what the status line will say was done, nothing after a No.
std::optional<const char*> DifCommands::agreeToApply(const std::string& difPath,
                                                     std::span<const std::uint8_t> dif,
                                                     std::span<const std::uint8_t> bin) {
  const Result<PatchCheck> check = verifyPatch(fs_, difPath, dif, bin);
  auto ask = [this](const std::string& why, MessageIcon icon,
                    const char* done) -> std::optional<const char*> {
    if (askApplyAnyway(why, icon)) return done;
    return std::nullopt;
  };
  if (!check) {
    if (!fs_.stat(counterpartPath(difPath))) return kAppliedUnverifiedText;
    return ask(check.error().message, MessageIcon::Exclamation, kAppliedUnverifiedText);
  }
  switch (check->state) {
    case PatchState::Source:
      return kAppliedVerifiedText;
    case PatchState::Applied:
      return ask(kAlreadyAppliedText, MessageIcon::Question, kAppliedAgainText);
    case PatchState::Differs:
      break;
  }
  return ask(differsText(check.value()), MessageIcon::Exclamation, kAppliedToOtherBinText);
}

bool DifCommands::askApplyAnyway(const std::string& why, MessageIcon icon) {
  return messenger_.show(why + " " + kApplyAnywayText, MessageButtons::YesNo, icon) ==
         MessageAnswer::Yes;
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
