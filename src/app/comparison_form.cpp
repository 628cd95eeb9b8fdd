// The comparison form run without a window: nobody looks at a list, so both files are passed
// through once and the DIF written as the blocks go by (app/streamed_comparison.h), instead of
// searching, listing and writing as the window does.
#include "app/command_line.h"
#include "app/dif_file_commands.h"
#include "app/streamed_comparison.h"
#include "app/unattended_jobs.h"
#include "dif/dif_writer.h"
#include "platform/clock.h"
#include "platform/file_dialog_rules.h"
#include "platform/file_stream.h"
#include "platform/user_texts.h"
#include "search/diff_search.h"
#include "search/regroup.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace hm {

namespace {

int failed(JobContext& context, const std::string& text) {
  context.messenger.error(text);
  return kExitJobError;
}

// The checks a search makes of its files before it reads them, and the files opened.
struct OpenedPair {
  std::unique_ptr<FileStream> source, target;
  std::uint64_t targetLength = 0;
};

Result<OpenedPair> openPair(FileSystem& fs, const CommandLine& command) {
  std::optional<FileInfo> source = fs.stat(command.sourcePath);
  if (!source || !source->regular) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  std::optional<FileInfo> target = fs.stat(command.targetPath);
  if (!target || !target->regular) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  if (isTooLarge(source->size) || isTooLarge(target->size)) {
    return Error{ErrorCode::TooLarge, kTooLargeText};
  }
  OpenedPair pair;
  pair.source = fs.openStream(command.sourcePath);
  if (!pair.source) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  pair.target = fs.openStream(command.targetPath);
  if (!pair.target) return Error{ErrorCode::OpenFailed, kOpenErrorText};
  // Capped at the measured length: a file that grew since cannot push past the limit.
  pair.targetLength = std::min(pair.target->size(), target->size);
  return pair;
}

// "Найдено различий: N" about every 100 ms, as the window's search says it.
std::function<void(std::uint64_t)> progressOf(JobContext& context) {
  if (!context.status) return {};
  return [&context, last = context.clock.now()](std::uint64_t differences) mutable {
    const Tick now = context.clock.now();
    if (elapsedSince(last, now) < kProgressIntervalMs) return;
    last = now;
    context.status(kSearchProgressText + std::to_string(differences));
  };
}

}  // namespace

int runComparison(const CommandLine& command, JobContext& context) {
  FileSystem& fs = context.fs;
  if (!namesExistingFile(fs, command.sourcePath) || !namesExistingFile(fs, command.targetPath)) {
    context.messenger.notice(kFileNotFoundText);
    return kExitNotFound;
  }
  Result<OpenedPair> pair = openPair(fs, command);
  if (!pair) return failed(context, pair.error().message);
  if (command.difPath.empty()) return kExitJobError;
  const std::string difPath = difOutputName(command.difPath);
  if (namesDeviceOrPipe(fs, command.difPath) || namesDeviceOrPipe(fs, difPath)) {
    return failed(context, kDifWriteErrorText);
  }
  // Held from before the files are read until the new pair has its names.
  std::unique_ptr<FileLock> difLock, backupLock;
  if (!holdExistingFile(fs, context.messenger, difPath, context.lockWait, difLock)) {
    return kExitJobError;
  }
  if (command.backup && !holdExistingFile(fs, context.messenger, backupDifName(difPath),
                                          context.lockWait, backupLock)) {
    return kExitJobError;
  }
  StreamedComparisonOptions options;
  options.minDistance = command.minDistance.value_or(kMinDistanceStart);
  options.backup = command.backup;
  options.progress = progressOf(context);
  if (context.status) context.status(kDifWritingText);
  const ComparedFiles files{*pair->source, *pair->target, pair->targetLength};
  if (Status written = writeComparedDif(fs, files, difPath, options); !written) {
    return failed(context, written.error().message);
  }
  if (context.status) context.status(kDifCreatedText);
  return kExitDone;
}

}  // namespace hm
