#include "app/unattended_jobs.h"

#include "app/command_help.h"
#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "dif/patch_verification.h"
#include "platform/file_dialog_rules.h"
#include "platform/settings_store.h"
#include "platform/user_texts.h"
#include "search/diff_search.h"
#include "search/regroup.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace hm {

namespace {

void say(JobContext& context, const std::string& text) {
  if (context.status) context.status(text);
}

int reportError(JobContext& context, const Error& error) {
  context.messenger.error(error.message);
  return kExitJobError;
}

int notFound(JobContext& context) {
  context.messenger.notice(kFileNotFoundText);
  return kExitNotFound;
}

// The lock on an output file that exists. A new output is nobody else's yet and needs none, and
// a folder in its place is refused by the write with the job's own message.
Result<std::unique_ptr<FileLock>> lockExisting(JobContext& context, const std::string& path) {
  std::optional<FileInfo> info = context.fs.stat(path);
  if (!info || !info->regular) return std::unique_ptr<FileLock>();
  return context.fs.lock(path, context.lockWait, MissingFile::Fails);
}

}  // namespace

std::optional<std::string> insertionLine(const CommandLine& command, std::uint64_t dataFileSize) {
  // A whole data file longer than any block is held at one byte more than a block can have, so
  // it is refused below rather than cut.
  constexpr std::uint64_t kLongerThanAnyBlock = std::uint64_t{kLastImageOffset} + 2;
  std::int64_t length =
      command.length
          ? *command.length
          : static_cast<std::int64_t>(std::min<std::uint64_t>(dataFileSize, kLongerThanAnyBlock));
  // Six address digits cannot hold a block ending past FFFFFF: such a line would silently move
  // the block, so the numbers are refused instead.
  std::int64_t end = static_cast<std::int64_t>(command.address) + length - 1;
  if (command.address < 0 || length <= 0 || end > kLastImageOffset) return std::nullopt;
  // Length and distance are left to the recalculation that follows.
  BlockLine line;
  line.form = LineForm::DifEditing;
  line.start = command.address;
  line.end = static_cast<std::int32_t>(end);
  line.dataOffset = command.offset;
  line.dataPath = command.dataPath;
  return line.text();
}

int runComparison(const CommandLine& command, JobContext& context) {
  if (!namesExistingFile(context.fs, command.sourcePath) ||
      !namesExistingFile(context.fs, command.targetPath)) {
    return notFound(context);
  }
  if (namesDeviceOrPipe(context.fs, command.difPath)) {
    return reportError(context, {ErrorCode::WriteFailed, kDifWriteErrorText});
  }
  auto progress = [&context](std::uint64_t differences) {
    say(context, kSearchProgressText + std::to_string(differences));
    return true;
  };
  const std::string difPath = difOutputName(command.difPath);
  // Both files of the pair are held before either is written.
  Result<std::unique_ptr<FileLock>> held = lockExisting(context, difPath);
  if (!held) return reportError(context, held.error());
  Result<std::unique_ptr<FileLock>> heldBackup = std::unique_ptr<FileLock>();
  if (command.backup) heldBackup = lockExisting(context, backupDifName(difPath));
  if (!heldBackup) return reportError(context, heldBackup.error());
  // The files are seen in place: nothing is copied, and the job ends before they matter again.
  Result<SearchOutcome> search = runSearch(context.fs, command.sourcePath, command.targetPath,
                                           context.clock, progress, FileHolding::Views);
  if (!search) return reportError(context, search.error());

  BlockList list;
  regroup(search->blocks, command.minDistance.value_or(kMinDistanceStart), list);
  say(context, totalsText(recalculate(list, false, search->targetLength)));

  say(context, kDifWritingText);
  // Bytes of a file cut short while it was seen in place may be zeros it never held.
  auto whole = [&search] { return search->source.intact() && search->target.intact(); };
  std::optional<std::span<const std::uint8_t>> source;
  if (command.backup) source = search->source.bytes();
  Status written =
      writeDifWithBackup(context.fs, difPath, list, search->target.bytes(), source, whole);
  if (!written) return reportError(context, written.error());
  say(context, kDifCreatedText);
  return kExitDone;
}

int runBlockInsertion(const CommandLine& command, JobContext& context) {
  if (!namesExistingFile(context.fs, command.difPath) ||
      !namesExistingFile(context.fs, command.dataPath)) {
    return notFound(context);
  }
  // The result goes beside a DIF whose name lacks ".dif". Runs adding blocks to one DIF at once
  // would each rename their own copy over it, and only the last block would stay, so both the
  // file read and the file written are held.
  const std::string outPath = difOutputName(command.difPath);
  Result<std::unique_ptr<FileLock>> held =
      context.fs.lock(command.difPath, context.lockWait, MissingFile::Fails);
  if (!held) return reportError(context, held.error());
  Result<std::unique_ptr<FileLock>> heldOut = std::unique_ptr<FileLock>();
  if (outPath != command.difPath) heldOut = lockExisting(context, outPath);
  if (!heldOut) return reportError(context, heldOut.error());
  std::optional<FileInfo> difInfo = context.fs.stat(command.difPath);
  if (difInfo && difInfo->size > kMaxDifSize) {
    return reportError(context, {ErrorCode::TooLarge, kDifTooLargeText});
  }
  std::optional<ByteImage> dif = context.fs.read(command.difPath);
  if (!dif) return reportError(context, {ErrorCode::OpenFailed, kOpenErrorText});
  say(context, kReadingBlocksText);
  Result<std::vector<DifBlock>> blocks = readDifBlocks(dif->bytes());
  if (!blocks) return reportError(context, blocks.error());

  if (!command.numbersValid) {
    context.messenger.notice(badParametersMessage(command.line));
    return kExitBadParameters;
  }
  std::optional<FileInfo> data = context.fs.stat(command.dataPath);
  if (!data) return reportError(context, {ErrorCode::OpenFailed, kOpenErrorText});
  std::optional<std::string> added = insertionLine(command, data->size);
  if (!added) {
    context.messenger.notice(badParametersMessage(command.line));
    return kExitBadParameters;
  }

  BlockList list;
  listDifBlocks(std::move(*blocks), list);
  list.add(*added);
  say(context, totalsText(recalculate(list, true, 0)));

  say(context, kDifWritingText);
  Status written = writeEditedDif(context.fs, outPath, list, dif->bytes());
  if (!written) return reportError(context, written.error());
  say(context, kDifCreatedText);
  return kExitDone;
}

namespace {

// What verifying a BIN before applying decided.
struct ApplyDecision {
  std::optional<int> refused;  // the exit status when the DIF must not be applied
  std::string unverified;      // why it is applied without checking the BIN, when it is
};

ApplyDecision applyUnverified(std::string why) {
  return {std::nullopt, std::move(why)};
}

// A counterpart that exists but cannot be used stops the job as a BIN that differs does: the
// check the user relies on would otherwise be switched off without a word.
ApplyDecision refuseUnusable(const std::string& why, bool force, JobContext& context) {
  if (force) return applyUnverified(why);
  context.messenger.error(why);
  return {kExitDiffers, {}};
}

// Verifies the BIN against the DIF's counterpart. A DIF or BIN that cannot be read or checked
// here is left to the applying, which reports it as it always has.
ApplyDecision verifyBeforeApplying(const std::string& binPath, const std::string& difPath,
                                   bool force, JobContext& context) {
  const std::string counterpart = counterpartPath(difPath);
  if (!context.fs.stat(counterpart)) return applyUnverified(kNoCounterpartText + counterpart);
  std::optional<ByteImage> dif = context.fs.read(difPath);
  if (!dif || !checkDif(dif->bytes())) return {};
  Result<ByteImage> before = readCounterpart(context.fs, difPath, dif->bytes());
  if (!before) return refuseUnusable(before.error().message, force, context);
  // Only the blocks' bytes of the BIN are read: the applying reads it whole anyway.
  std::unique_ptr<FileReader> bin = context.fs.openReader(binPath);
  if (!bin) return {};
  const std::optional<PatchCheck> verified = classifyBin(dif->bytes(), before->bytes(), *bin);
  if (!verified) return {};
  const PatchCheck& check = *verified;
  switch (check.state) {
    case PatchState::Source:
      return {};
    case PatchState::Applied:
      context.messenger.notice(kAlreadyAppliedText);
      return force ? ApplyDecision{} : ApplyDecision{kExitDone, {}};
    case PatchState::Differs:
      if (force) {
        context.messenger.notice(differsText(check));
        return {};
      }
      context.messenger.error(differsText(check));
      return {kExitDiffers, {}};
  }
  return {};
}

}  // namespace

int runApply(const std::string& binPath, const std::string& difPath, const std::string& outPath,
             JobContext& context, bool force) {
  if (!namesExistingFile(context.fs, binPath) || !namesExistingFile(context.fs, difPath)) {
    return notFound(context);
  }
  std::optional<FileInfo> dif = context.fs.stat(difPath);
  if (dif && dif->size > kMaxDifSize) {
    return reportError(context, {ErrorCode::TooLarge, kDifTooLargeText});
  }
  // Patching in place reads and replaces one file, as overlapping runs may do with the same BIN.
  Result<std::unique_ptr<FileLock>> held = lockExisting(context, outPath);
  if (!held) return reportError(context, held.error());
  std::optional<FileInfo> bin = context.fs.stat(binPath);
  if (bin && isTooLarge(bin->size)) {
    return reportError(context, {ErrorCode::TooLarge, kTooLargeText});
  }
  const ApplyDecision decision = verifyBeforeApplying(binPath, difPath, force, context);
  if (decision.refused) return *decision.refused;
  Status applied = applyDifFile(context.fs, difPath, binPath, outPath);
  if (!applied) return reportError(context, applied.error());
  if (!decision.unverified.empty()) {
    context.messenger.notice(std::string(kAppliedUnverifiedText) + " " + decision.unverified);
  }
  context.messenger.notice(kDifAppliedText);
  return kExitDone;
}

int runCheck(const CommandLine& command, JobContext& context) {
  if (!namesExistingFile(context.fs, command.sourcePath) ||
      !namesExistingFile(context.fs, command.difPath)) {
    return notFound(context);
  }
  std::optional<FileInfo> difInfo = context.fs.stat(command.difPath);
  if (difInfo && difInfo->size > kMaxDifSize) {
    return reportError(context, {ErrorCode::TooLarge, kDifTooLargeText});
  }
  std::optional<FileInfo> binInfo = context.fs.stat(command.sourcePath);
  if (binInfo && isTooLarge(binInfo->size)) {
    return reportError(context, {ErrorCode::TooLarge, kTooLargeText});
  }
  std::optional<ByteImage> dif = context.fs.read(command.difPath);
  if (!dif) return reportError(context, {ErrorCode::OpenFailed, kOpenErrorText});
  if (Status checked = checkDif(dif->bytes()); !checked) {
    return reportError(context, checked.error());
  }
  Result<ByteImage> before = readCounterpart(context.fs, command.difPath, dif->bytes());
  if (!before) return reportError(context, before.error());
  std::unique_ptr<FileReader> bin = context.fs.openReader(command.sourcePath);
  std::optional<PatchCheck> verified;
  if (bin) verified = classifyBin(dif->bytes(), before->bytes(), *bin);
  if (!verified) return reportError(context, {ErrorCode::OpenFailed, kOpenErrorText});

  const PatchCheck& check = *verified;
  auto answer = [&context](const std::string& line, int status) {
    if (context.output) context.output(line + "\n");
    return status;
  };
  switch (check.state) {
    case PatchState::Source:
      return answer(kSourceWord, kExitDone);
    case PatchState::Applied:
      return answer(kAlreadyAppliedWord, kExitAlreadyApplied);
    case PatchState::Differs:
      break;
  }
  return answer(differsText(check), kExitDiffers);
}

bool displayAvailable(const char* display, const char* waylandDisplay, const char* qpaPlatform) {
  std::string platform = qpaPlatform ? qpaPlatform : "";
  if (platform.starts_with("offscreen") || platform.starts_with("minimal")) return false;
  auto named = [](const char* v) { return v && *v; };
  return named(display) || named(waylandDisplay);
}

bool runsUnattended(CommandForm form) {
  switch (form) {
    case CommandForm::Comparison:
    case CommandForm::BlockInsertion:
    case CommandForm::Apply:
    case CommandForm::Check:
    case CommandForm::Help:
    case CommandForm::Version:
    case CommandForm::BadParameters:
      return true;
    case CommandForm::Empty:
    case CommandForm::DifFile:
    case CommandForm::OtherFile:
      return false;
  }
  return false;
}

int runUnattended(const CommandLine& command, JobContext& context) {
  switch (command.form) {
    case CommandForm::Comparison:
      return runComparison(command, context);
    case CommandForm::BlockInsertion:
      return runBlockInsertion(command, context);
    case CommandForm::Apply:
      return runApply(command.sourcePath, command.difPath, command.outputPath, context,
                      command.force);
    case CommandForm::Check:
      return runCheck(command, context);
    case CommandForm::Help:
    case CommandForm::Version:
      if (context.output) {
        context.output(command.form == CommandForm::Help ? helpText(SettingsStore::defaultPath())
                                                         : versionText());
      }
      return kExitDone;
    default:
      context.messenger.notice(badParametersMessage(command.line));
      return kExitBadParameters;
  }
}

}  // namespace hm
