#include "app/carry_files.h"

#include "app/carry_command.h"
#include "app/dif_file_commands.h"
#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/dif_writer.h"
#include "dif/ips_reader.h"
#include "platform/file_dialog_rules.h"
#include "platform/russian_plural.h"
#include "platform/user_texts.h"

#include <algorithm>

namespace hm {

std::optional<CarryFiles> askCarryFiles(FileChooser& chooser, Messenger& messenger) {
  CarryFiles files;
  files.dif = chooser.AskOpenFile(FileKind::Dif);
  if (files.dif.empty()) return std::nullopt;
  files.newBin = chooser.AskOpenFile(FileKind::TargetBin, kCarryNewBinTitle);
  if (files.newBin.empty()) return std::nullopt;
  if (messenger.show(kCarryAskOriginalText, MessageButtons::YesNo, MessageIcon::Question) ==
      MessageAnswer::Yes) {
    files.original = chooser.AskOpenFile(FileKind::SourceBin, kCarryOriginalTitle);
    if (files.original.empty()) return std::nullopt;
  }
  return files;
}

namespace {

// A BIN of at most the program's limit, seen in place.
Result<FileView> viewImage(FileSystem& fs, const std::string& path) {
  std::optional<FileInfo> info = fs.stat(path);
  if (info && isTooLarge(info->size)) return Error{ErrorCode::TooLarge, kTooLargeText};
  std::optional<FileView> image = fs.view(path);
  if (!image) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  return std::move(*image);
}

}  // namespace

Result<std::shared_ptr<CarriedDif>> carryFiles(FileSystem& fs, const CarryFiles& files,
                                               const std::function<bool()>& keepGoing) {
  auto carried = std::make_shared<CarriedDif>();
  std::optional<ByteImage> dif = fs.read(files.dif, kMaxDifSize);
  if (!dif) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  if (Status ips = difFromIps(*dif); !ips) return ips.error();
  Result<FileView> newBin = viewImage(fs, files.newBin);
  if (!newBin) return newBin.error();
  CarryInput input{dif->bytes(), newBin->bytes(), std::nullopt, std::nullopt};
  std::optional<Result<FileView>> original;
  std::optional<ByteImage> backup;
  if (!files.original.empty()) {
    original = viewImage(fs, files.original);
    if (!*original) return (*original).error();
    input.original = (*original)->bytes();
  } else {
    backup = fs.read(backupDifName(files.dif), kMaxDifSize);
    if (backup) input.backup = backup->bytes();
  }
  if (keepGoing && !keepGoing()) return Error{ErrorCode::BadInput, ""};
  Result<std::vector<CarriedBlock>> blocks = carryPatch(input);
  if (!blocks) return blocks.error();
  if (keepGoing && !keepGoing()) return Error{ErrorCode::BadInput, ""};
  carried->blocks = std::move(*blocks);
  carried->dif = std::move(*dif);
  carried->newBin = std::move(*newBin);
  carried->newBinPath = files.newBin;
  return carried;
}

bool saveCarriedDif(FileSystem& fs, Messenger& messenger, const CarriedDif& carried,
                    const std::string& path, std::chrono::milliseconds lockWait) {
  if (path.empty()) return false;
  std::unique_ptr<FileLock> difLock, backupLock;
  if (!holdExistingFile(fs, messenger, path, lockWait, difLock) ||
      !holdExistingFile(fs, messenger, backupDifName(path), lockWait, backupLock)) {
    return false;
  }
  const Status written =
      writeCarriedDif(fs, path, carried.blocks, carried.dif.bytes(), carried.newBin.bytes(),
                      [&carried] { return carried.newBin.intact(); });
  if (!written) {
    messenger.error(written.error().message);
    return false;
  }
  messenger.notice(kDifCreatedText);
  return true;
}

std::string hexRows(std::int64_t address, std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  const std::size_t shown = std::min(bytes.size(), kShownBytes);
  for (std::size_t row = 0; row < shown; row += 16) {
    text += HexPad(static_cast<std::int32_t>(address + static_cast<std::int64_t>(row)), 6);
    text += ' ';
    for (std::size_t k = row; k < std::min(row + 16, shown); ++k) {
      text += ' ';
      text += kDigits[bytes[k] >> 4];
      text += kDigits[bytes[k] & 15];
    }
    text += '\n';
  }
  return text;
}

CarryRow carryRow(const CarriedBlock& b) {
  CarryRow row;
  row.range = HexPad(b.start, 6);
  row.range += "–";
  row.range += HexPad(b.end, 6);
  if (b.placed()) {
    row.address = HexPad(b.address, 6);
    const std::int64_t shift = b.shift();
    row.shift = HexPad(static_cast<std::int32_t>(shift < 0 ? -shift : shift), 0);
    row.shift.insert(row.shift.begin(), shift < 0 ? '-' : '+');
  }
  switch (b.outcome) {
    case CarryOutcome::InPlace:
      row.outcome = kCarryInPlaceText;
      break;
    case CarryOutcome::Moved:
      row.outcome = kCarryMovedText;
      break;
    case CarryOutcome::AlreadyThere:
      row.outcome = kCarryAlreadyText;
      break;
    case CarryOutcome::NotFound:
      row.outcome = kCarryNotFoundText;
      break;
    case CarryOutcome::Ambiguous:
      row.outcome = kCarryAmbiguousText;
      row.outcome += std::to_string(b.places);
      row.outcome += ' ';
      row.outcome += russianPlural(static_cast<std::int64_t>(b.places), kPlacePlural);
      break;
  }
  return row;
}

}  // namespace hm
