#include "app/carry_command.h"

#include "app/carry_files.h"
#include "dif/dif_writer.h"
#include "platform/user_texts.h"

#include <algorithm>

namespace hm {

std::string carriedBlockText(const CarriedBlock& b) {
  const CarryRow row = carryRow(b);
  std::string text = kCarryBlockWord;
  text += row.range;
  text += b.outcome == CarryOutcome::Ambiguous ? ": " : " ";
  text += row.outcome;
  const char* where = b.outcome == CarryOutcome::Moved ? kCarryToWord : kCarryAtWord;
  if (b.outcome == CarryOutcome::Moved || (b.outcome == CarryOutcome::AlreadyThere && b.shift())) {
    text += ' ';
    text += where;
    text += row.address;
    text += " (";
    text += kCarryShiftWord;
    text += row.shift;
    text += ')';
  }
  text += '.';
  return text;
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
  if (context.status) context.status(kCarryingText);
  Result<std::shared_ptr<CarriedDif>> carried =
      carryFiles(context.fs, {command.difPath, command.targetPath, command.sourcePath}, {});
  if (!carried) {
    context.messenger.error(carried.error().message);
    return kExitJobError;
  }
  const CarriedDif& result = *carried.value();
  const std::vector<CarriedBlock>& blocks = result.blocks;
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
      writeCarriedDif(context.fs, difOutputName(command.outputPath), blocks, result.dif.bytes(),
                      result.newBin.bytes(), [&result] { return result.newBin.intact(); });
  if (!written) {
    context.messenger.error(written.error().message);
    return kExitJobError;
  }
  if (context.status) context.status(kDifCreatedText);
  return allPlaced ? kExitDone : kExitDiffers;
}

}  // namespace hm
