#include "app/carry_command.h"

#include "blocks/block_line.h"
#include "blocks/hex_format.h"
#include "dif/dif_format.h"
#include "dif/dif_writer.h"
#include "platform/file_dialog_rules.h"
#include "platform/russian_plural.h"
#include "platform/user_texts.h"

#include <algorithm>
#include <optional>

namespace hm {

namespace {

int fail(JobContext& context, const Error& error) {
  context.messenger.error(error.message);
  return kExitJobError;
}

std::string range(const CarriedBlock& b) {
  return HexPad(b.start, 6) + "–" + HexPad(b.end, 6);
}

std::string signedHex(std::int64_t value) {
  std::string text(value < 0 ? "-" : "+");
  text += HexPad(static_cast<std::int32_t>(value < 0 ? -value : value), 0);
  return text;
}

// A BIN of at most the program's limit, seen in place.
std::optional<FileView> readImage(JobContext& context, const std::string& path, Error& error) {
  std::optional<FileInfo> info = context.fs.stat(path);
  if (info && isTooLarge(info->size)) {
    error = {ErrorCode::TooLarge, kTooLargeText};
    return std::nullopt;
  }
  std::optional<FileView> image = context.fs.view(path);
  if (!image) error = {ErrorCode::OpenFailed, kOpenErrorText};
  return image;
}

}  // namespace

std::string carriedBlockText(const CarriedBlock& b) {
  const std::string block = kCarryBlockWord + range(b);
  switch (b.outcome) {
    case CarryOutcome::InPlace:
      return block + " " + kCarryInPlaceText + ".";
    case CarryOutcome::Moved:
      return block + " " + kCarryMovedText + " " + kCarryToWord + HexPad(b.address, 6) + " (" +
             kCarryShiftWord + signedHex(b.shift()) + ").";
    case CarryOutcome::AlreadyThere:
      return block + " " + kCarryAlreadyText +
             (b.shift() == 0 ? std::string(".")
                             : " " + std::string(kCarryAtWord) + HexPad(b.address, 6) + " (" +
                                   kCarryShiftWord + signedHex(b.shift()) + ").");
    case CarryOutcome::NotFound:
      return block + " " + kCarryNotFoundText + ".";
    case CarryOutcome::Ambiguous:
      return block + ": " + kCarryAmbiguousText + std::to_string(b.places) + " " +
             russianPlural(b.places, kPlacePlural) + ".";
  }
  return block;
}

Status writeCarriedDif(FileSystem& fs, const std::string& path,
                       const std::vector<CarriedBlock>& blocks, std::span<const std::uint8_t> dif,
                       std::span<const std::uint8_t> newBin,
                       const std::function<bool()>& inputsIntact) {
  std::vector<DifPiece> patch, backup;
  for (const CarriedBlock& b : blocks) {
    if (!b.placed()) continue;
    const auto length = static_cast<std::size_t>(b.length());
    patch.push_back({b.address, dif.subspan(b.dataOffset, length)});
    backup.push_back({b.address, newBin.subspan(static_cast<std::size_t>(b.address), length)});
  }
  return writeDifPieces(fs, path, patch, backup, inputsIntact);
}

int runCarry(const CommandLine& command, JobContext& context) {
  const bool original = !command.sourcePath.empty();
  if (!namesExistingFile(context.fs, command.targetPath) ||
      !namesExistingFile(context.fs, command.difPath) ||
      (original && !namesExistingFile(context.fs, command.sourcePath))) {
    context.messenger.notice(kFileNotFoundText);
    return kExitNotFound;
  }
  Error error{ErrorCode::OpenFailed, kOpenErrorText};
  std::optional<FileView> newBin = readImage(context, command.targetPath, error);
  if (!newBin) return fail(context, error);
  std::optional<ByteImage> dif = context.fs.read(command.difPath, kMaxDifSize);
  if (!dif) return fail(context, {ErrorCode::OpenFailed, kOpenErrorText});
  CarryInput input{dif->bytes(), newBin->bytes(), std::nullopt, std::nullopt};
  std::optional<FileView> source;
  std::optional<ByteImage> backup;
  if (original) {
    source = readImage(context, command.sourcePath, error);
    if (!source) return fail(context, error);
    input.original = source->bytes();
  } else if (namesExistingFile(context.fs, backupDifName(command.difPath))) {
    backup = context.fs.read(backupDifName(command.difPath), kMaxDifSize);
    if (backup) input.backup = backup->bytes();
  }
  if (context.status) context.status(kCarryingText);
  Result<std::vector<CarriedBlock>> carried = carryPatch(input);
  if (!carried) return fail(context, carried.error());
  source.reset();
  backup.reset();

  const std::vector<CarriedBlock>& blocks = *carried;
  for (const CarriedBlock& b : blocks) {
    if (b.outcome != CarryOutcome::InPlace && context.output) {
      context.output(carriedBlockText(b) + "\n");
    }
  }
  const bool allThere = !blocks.empty() && std::all_of(blocks.begin(), blocks.end(), [](auto& b) {
    return b.outcome == CarryOutcome::AlreadyThere;
  });
  if (allThere) return kExitAlreadyApplied;
  const bool allPlaced =
      std::all_of(blocks.begin(), blocks.end(), [](auto& b) { return b.placed(); });
  if (!allPlaced && !command.force) {
    context.messenger.error(kCarryIncompleteText);
    return kExitDiffers;
  }
  // A BIN seen in place and cut short meanwhile reads as zeros: then nothing is written.
  const Status written =
      writeCarriedDif(context.fs, difOutputName(command.outputPath), blocks, dif->bytes(),
                      newBin->bytes(), [&newBin] { return newBin->intact(); });
  if (!written) {
    return fail(context, written.error());
  }
  if (context.status) context.status(kDifCreatedText);
  return allPlaced ? kExitDone : kExitDiffers;
}

}  // namespace hm
