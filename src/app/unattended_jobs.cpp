#include "app/unattended_jobs.h"

#include "app/apply_dif_command.h"
#include "app/carry_command.h"
#include "app/command_help.h"
#include "app/dif_file_commands.h"
#include "app/ips_conversion.h"
#include "app/jobs.h"
#include "app/list_jobs.h"
#include "app/search_command.h"
#include "app/session.h"
#include "blocks/block_line.h"
#include "blocks/block_list.h"
#include "dif/dif_applier.h"
#include "dif/dif_format.h"
#include "dif/dif_reader.h"
#include "dif/dif_writer.h"
#include "dif/ips_reader.h"
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

std::optional<BlockLine> insertionLine(const CommandLine& command, std::uint64_t dataFileSize) {
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
  return line;
}

namespace {

// Hands the session's status line to the job's own.
class StatusRelay : public SessionObserver {
 public:
  StatusRelay(Session& session, JobContext& context) : session_(session), context_(context) {
    session_.addObserver(this);
  }
  ~StatusRelay() override { session_.removeObserver(this); }
  void sessionChanged(unsigned changes) override {
    if (changes & kStatusChanged) say(context_, session_.status());
  }

 private:
  Session& session_;
  JobContext& context_;
};

// The commands a job runs over its session, their long work done where it stands.
struct JobCommands {
  JobCommands(Session& session, JobContext& context)
      : relay(session, context), listJobs(session, jobs, context.messenger, false) {}
  StatusRelay relay;
  InlineJobs jobs;
  ListJobs listJobs;
};

// The applying form's answers: its line names the files, " /f" answers every doubt, and what
// the window would ask is said on standard error instead.
class LineApplyAnswers : public ApplyAnswers {
 public:
  LineApplyAnswers(const std::string& bin, const std::string& dif, const std::string& out,
                   bool force, Messenger& messenger)
      : bin_(bin), dif_(dif), out_(out), force_(force), messenger_(messenger) {}

  std::string difToApply() override { return dif_; }
  std::string binToPatch() override { return bin_; }
  std::string outputPath() override { return out_; }

  bool applyAnyway(const ApplyDoubt& doubt) override {
    switch (doubt.kind) {
      case ApplyDoubt::Applied:
        messenger_.notice(kAlreadyAppliedText);
        break;
      case ApplyDoubt::Differs:
        if (force_) {
          messenger_.notice(differsText(doubt.check));
        } else {
          messenger_.error(differsText(doubt.check));
        }
        break;
      case ApplyDoubt::Unusable:
        if (!force_) messenger_.error(doubt.why);
        break;
    }
    return force_;
  }

  void applied(const char*, const std::string& unverified) override {
    if (!unverified.empty())
      messenger_.notice(std::string(kAppliedUnverifiedText) + " " + unverified);
  }

  void refused(const ApplyDoubt& doubt) override {
    status_ = doubt.kind == ApplyDoubt::Applied ? kExitDone : kExitDiffers;
  }

  bool outputKnownBeforehand() const override { return true; }

  // The exit status of a refused apply: nothing to do for a patched BIN, 4 for the rest.
  int refusedStatus() const { return status_; }

 private:
  std::string bin_, dif_, out_;
  bool force_;
  Messenger& messenger_;
  int status_ = kExitDiffers;
};

}  // namespace

int runComparison(const CommandLine& command, JobContext& context, Session& session) {
  // A window shows the line's files and distance even when they turn out to be missing.
  session.setInFile(command.sourcePath);
  session.setOutFile(command.targetPath);
  session.setMinDistance(command.minDistance.value_or(kMinDistanceStart));
  session.setBackupWanted(command.backup);
  if (!namesExistingFile(context.fs, command.sourcePath) ||
      !namesExistingFile(context.fs, command.targetPath)) {
    return notFound(context);
  }
  JobCommands commands(session, context);
  // The files are seen in place: nothing is copied, and the job ends before they matter again.
  SearchCommand search(session, commands.jobs, commands.listJobs, context.messenger, context.clock,
                       FileHolding::Views);
  bool found = false;
  search.start([&found](bool listed) { found = listed; });
  if (!found) return kExitJobError;
  return writeDifCommand(session, context.messenger, command.difPath, context.lockWait)
             ? kExitDone
             : kExitJobError;
}

int runBlockInsertion(const CommandLine& command, JobContext& context) {
  Session session(context.fs);
  return runBlockInsertion(command, context, session);
}

int runBlockInsertion(const CommandLine& command, JobContext& context, Session& session) {
  session.setEditingDif(true);
  session.setInFile(command.dataPath);
  if (!namesExistingFile(context.fs, command.difPath) ||
      !namesExistingFile(context.fs, command.dataPath)) {
    return notFound(context);
  }
  // The result goes beside a DIF whose name lacks ".dif". Runs adding blocks to one DIF at once
  // would each rename their own copy over it, and only the last block would stay, so both the
  // file read and the file written are held from before the DIF is read.
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
  JobCommands commands(session, context);
  if (!openDifCommand(session, commands.listJobs, context.messenger, command.difPath)) {
    return kExitJobError;
  }
  session.setInFile(command.dataPath);

  if (!command.numbersValid) {
    context.messenger.notice(badParametersMessage(command.line));
    return kExitBadParameters;
  }
  std::optional<FileInfo> data = context.fs.stat(command.dataPath);
  if (!data) return reportError(context, {ErrorCode::OpenFailed, kOpenErrorText});
  std::optional<BlockLine> added = insertionLine(command, data->size);
  if (!added) {
    context.messenger.notice(badParametersMessage(command.line));
    return kExitBadParameters;
  }
  session.blocks().add(*added);
  commands.listJobs.recalculate();
  return writeDifCommand(session, context.messenger, command.difPath, context.lockWait,
                         {command.difPath, outPath})
             ? kExitDone
             : kExitJobError;
}

int runApply(const std::string& binPath, const std::string& difPath, const std::string& outPath,
             JobContext& context, bool force) {
  if (!namesExistingFile(context.fs, binPath) || !namesExistingFile(context.fs, difPath)) {
    return notFound(context);
  }
  std::optional<FileInfo> dif = context.fs.stat(difPath);
  if (dif && dif->size > kMaxDifSize) {
    return reportError(context, {ErrorCode::TooLarge, kDifTooLargeText});
  }
  std::optional<FileInfo> bin = context.fs.stat(binPath);
  if (bin && isTooLarge(bin->size)) {
    return reportError(context, {ErrorCode::TooLarge, kTooLargeText});
  }
  LineApplyAnswers answers(binPath, difPath, outPath, force, context.messenger);
  switch (applyDifCommand(context.fs, context.messenger, answers, context.lockWait)) {
    case ApplyEnd::Applied:
      return kExitDone;
    case ApplyEnd::Refused:
      return answers.refusedStatus();
    case ApplyEnd::Cancelled:
    case ApplyEnd::Failed:
    case ApplyEnd::Stopped:
      break;
  }
  return kExitJobError;
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
  if (Status ips = difFromIps(*dif); !ips) return reportError(context, ips.error());
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
    case CommandForm::Carry:
    case CommandForm::Conversion:
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
    case CommandForm::Carry:
      return runCarry(command, context);
    case CommandForm::Conversion:
      return runConversion(command, context);
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
