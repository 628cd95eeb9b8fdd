#include "app/carry_files.h"

#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/dif_writer.h"
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

Result<std::shared_ptr<CarriedDif>> carryFiles(FileSystem& fs, const CarryFiles& files,
                                               const std::function<bool()>& keepGoing) {
  auto carried = std::make_shared<CarriedDif>();
  const Error unreadable{ErrorCode::OpenFailed, kOpenErrorText};
  std::optional<ByteImage> dif = fs.read(files.dif, kMaxDifSize);
  std::optional<FileView> newBin = fs.view(files.newBin);
  if (!dif || !newBin) return unreadable;
  CarryInput input{dif->bytes(), newBin->bytes(), std::nullopt, std::nullopt};
  std::optional<FileView> original;
  std::optional<ByteImage> backup;
  if (!files.original.empty()) {
    original = fs.view(files.original);
    if (!original) return unreadable;
    input.original = original->bytes();
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
