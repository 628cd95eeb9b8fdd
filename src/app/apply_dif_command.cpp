#include "app/apply_dif_command.h"

#include "dif/dif_applier.h"
#include "dif/ips_reader.h"
#include "dif/streamed_patch.h"
#include "platform/file_lock.h"
#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/user_texts.h"
#include "platform/watched_file_system.h"

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

namespace hm {

namespace {

// How the BIN stands against the DIF: nothing to doubt, a doubt, or a BIN that cannot be read.
struct Verdict {
  std::optional<ApplyDoubt> doubt;
  std::string unverified;  // why there is no check at all
  bool unreadable = false;
};

Verdict verdictOf(const PatchCheck& check) {
  switch (check.state) {
    case PatchState::Source:
      return {};
    case PatchState::Applied:
      return {ApplyDoubt{ApplyDoubt::Applied, check, {}}, {}, false};
    case PatchState::Differs:
      break;
  }
  return {ApplyDoubt{ApplyDoubt::Differs, check, {}}, {}, false};
}

Verdict verify(FileSystem& fs, const std::string& difPath, std::span<const std::uint8_t> dif,
               const std::string& binPath) {
  const std::string counterpart = counterpartPath(difPath);
  if (!fs.stat(counterpart)) return {std::nullopt, kNoCounterpartText + counterpart, false};
  Result<ByteImage> before = readCounterpart(fs, difPath, dif);
  if (!before) return {ApplyDoubt{ApplyDoubt::Unusable, {}, before.error().message}, {}, false};
  // Only the blocks' bytes of the BIN are read.
  std::unique_ptr<FileReader> bin = fs.openReader(binPath);
  std::optional<PatchCheck> check;
  if (bin) check = classifyBin(dif, before->bytes(), *bin);
  if (!check) return {std::nullopt, {}, true};
  return verdictOf(*check);
}

// What the status line says was done, once the user agreed.
const char* doneText(const Verdict& verdict) {
  if (!verdict.doubt)
    return verdict.unverified.empty() ? kAppliedVerifiedText : kAppliedUnverifiedText;
  switch (verdict.doubt->kind) {
    case ApplyDoubt::Applied:
      return kAppliedAgainText;
    case ApplyDoubt::Differs:
      return kAppliedToOtherBinText;
    case ApplyDoubt::Unusable:
      break;
  }
  return kAppliedUnverifiedText;
}

ApplyEnd fail(Messenger& messenger, const std::string& text) {
  messenger.error(text);
  return ApplyEnd::Failed;
}

// Applying without a counterpart to verify against, from the DIF already read: nothing is asked,
// so only the output's lock is waited for before the BIN is copied.
ApplyEnd applyUnverified(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                         std::span<const std::uint8_t> dif, const std::string& binPath,
                         const std::string& unverified, std::chrono::milliseconds lockWait) {
  const std::string outPath = answers.outputPath();
  if (outPath.empty()) return ApplyEnd::Cancelled;
  std::unique_ptr<FileLock> held;
  if (std::optional<FileInfo> out = fs.stat(outPath); out && out->regular) {
    Result<std::unique_ptr<FileLock>> lock = fs.lock(outPath, lockWait, MissingFile::Fails);
    if (!lock) return fail(messenger, lock.error().message);
    held = std::move(lock.value());
  }
  std::unique_ptr<FileStream> bin = fs.openStream(binPath);
  if (!bin) return fail(messenger, kBinWriteErrorText);
  if (Status written = writeStreamedPatch(fs, outPath, dif, *bin); !written) {
    return fail(messenger, written.error().message);
  }
  answers.applied(kAppliedUnverifiedText, unverified);
  messenger.notice(kDifAppliedText);
  return ApplyEnd::Applied;
}

// The lock on an output that is there, taken at once; nothing while another run holds it. A
// missing output needs none.
std::optional<std::unique_ptr<FileLock>> lockOutputNow(FileSystem& fs, const std::string& outPath) {
  std::optional<FileInfo> out = fs.stat(outPath);
  if (!out || !out->regular) return std::unique_ptr<FileLock>();
  Result<std::unique_ptr<FileLock>> lock =
      fs.lock(outPath, std::chrono::milliseconds(0), MissingFile::Fails);
  if (!lock) return std::nullopt;
  return std::move(lock.value());
}

// The end of a one-pass apply: the doubts asked about, then the written output given its name.
ApplyEnd commitChecked(Messenger& messenger, ApplyAnswers& answers, CheckedPatch& patched,
                       const Verdict& verdict) {
  if (verdict.doubt && !answers.applyAnyway(*verdict.doubt)) {
    answers.refused(*verdict.doubt);
    return ApplyEnd::Refused;
  }
  if (!patched.written || !patched.out->commit()) return fail(messenger, kBinWriteErrorText);
  answers.applied(doneText(verdict), verdict.unverified);
  messenger.notice(kDifAppliedText);
  return ApplyEnd::Applied;
}

// Verifying and applying in one pass over the BIN, for answers that name the output beforehand:
// the patched BIN is written while its blocks are compared, and takes its name once the doubts
// are answered, with the same questions and messages as the two passes. Nothing when the DIF's
// counterpart is unusable (nothing of the BIN is read to verify it then), its records do not
// ascend, or another run holds the output: the two passes take it from there. Without any
// counterpart the BIN is applied unverified straight from the DIF already read.
std::optional<ApplyEnd> applyInOnePass(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                                       const std::string& difPath,
                                       std::span<const std::uint8_t> dif,
                                       const std::string& binPath,
                                       std::chrono::milliseconds lockWait) {
  if (!recordsAscend(dif)) return std::nullopt;
  const std::string counterpart = counterpartPath(difPath);
  if (!fs.stat(counterpart)) {
    return applyUnverified(fs, messenger, answers, dif, binPath, kNoCounterpartText + counterpart,
                           lockWait);
  }
  Result<ByteImage> before = readCounterpart(fs, difPath, dif);
  if (!before) return std::nullopt;
  const std::string outPath = answers.outputPath();
  if (outPath.empty()) return std::nullopt;
  // Held from before the BIN is read; the two passes wait for a busy output and say so.
  std::optional<std::unique_ptr<FileLock>> held = lockOutputNow(fs, outPath);
  if (!held) return std::nullopt;
  std::unique_ptr<FileStream> bin = fs.openStream(binPath);
  if (!bin) return fail(messenger, kBinWriteErrorText);
  Result<CheckedPatch> patched = writeCheckedPatch(fs, outPath, dif, before->bytes(), *bin);
  if (!patched) return fail(messenger, patched.error().message);
  return commitChecked(messenger, answers, *patched, verdictOf(patched->check));
}

// Where nobody is asked: the DIF, its counterpart and the BIN read side by side, a buffer of
// each at a time, and the patched BIN written as they pass. The same questions and messages as
// the steps below. Nothing when this pass cannot take the files (an IPS, a DIF or counterpart
// that would be refused or doubted, records that do not ascend, a busy output, a BIN that cannot
// be opened): those steps read the DIF whole and tell what is wrong. A BIN that fails while it
// is read ends the apply here, as it would there: read again, it might pass cut short.
std::optional<ApplyEnd> applyStreamed(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                                      const std::string& difPath) {
  std::unique_ptr<FileStream> dif = fs.openStream(difPath);
  if (!dif || dif->size() > kMaxDifSize) return std::nullopt;
  const std::string binPath = answers.binToPatch();
  const std::string counterpart = counterpartPath(difPath);
  std::unique_ptr<FileStream> before;
  if (std::optional<FileInfo> info = fs.stat(counterpart)) {
    if (!info->regular || info->size > kMaxDifSize) return std::nullopt;
    if (!(before = fs.openStream(counterpart))) return std::nullopt;
  }
  const std::string outPath = answers.outputPath();
  if (binPath.empty() || outPath.empty()) return std::nullopt;
  // Held from before the BIN is read; a busy output is waited for by the steps.
  std::optional<std::unique_ptr<FileLock>> held = lockOutputNow(fs, outPath);
  if (!held) return std::nullopt;
  std::unique_ptr<FileStream> bin = fs.openStream(binPath);
  if (!bin) return std::nullopt;
  Result<CheckedPatch> patched = writeStreamedDifPatch(fs, outPath, *dif, before.get(), *bin);
  if (!patched && patched.error().code == ErrorCode::InvalidDif) return std::nullopt;
  if (!patched) return fail(messenger, patched.error().message);
  return commitChecked(
      messenger, answers, *patched,
      before ? verdictOf(patched->check) : Verdict{std::nullopt, kNoCounterpartText + counterpart});
}

// The steps of one apply and what they found, kept alive by the jobs that run them.
class ApplySteps : public std::enable_shared_from_this<ApplySteps> {
 public:
  ApplySteps(FileSystem& fs, Messenger& messenger, std::shared_ptr<ApplyAnswers> answers,
             std::chrono::milliseconds lockWait, Jobs& jobs,
             std::function<void(std::uint64_t)> progress, std::function<void(ApplyEnd)> ended)
      : fs_(fs),
        messenger_(messenger),
        answers_(std::move(answers)),
        lockWait_(lockWait),
        jobs_(jobs),
        progress_(std::move(progress)),
        ended_(std::move(ended)) {}

  void begin() {
    difPath_ = answers_->difToApply();
    if (difPath_.empty()) return end(ApplyEnd::Cancelled);
    if (answers_->outputKnownBeforehand()) {
      if (std::optional<ApplyEnd> how = applyStreamed(fs_, messenger_, *answers_, difPath_)) {
        return end(*how);
      }
    }
    run([](ApplySteps& s, JobControl&) { s.readDif(); }, &ApplySteps::afterDif);
  }

 private:
  using Work = void (*)(ApplySteps&, JobControl&);
  using Then = void (ApplySteps::*)(JobEnd);

  void run(Work work, Then then) {
    auto self = shared_from_this();
    jobs_.start([self, work](JobControl& control) { work(*self, control); },
                [self, then](JobEnd jobEnd) { ((*self).*then)(jobEnd); });
  }

  void end(ApplyEnd how) {
    if (ended_) ended_(how);
  }

  void fail(const std::string& text) {
    messenger_.error(text);
    end(ApplyEnd::Failed);
  }

  // A step stopped or out of memory ends the apply before anything is written.
  bool halted(JobEnd jobEnd) {
    if (jobEnd == JobEnd::Stopped) end(ApplyEnd::Stopped);
    if (jobEnd == JobEnd::OutOfMemory) fail(kOutOfMemoryText);
    return jobEnd != JobEnd::Done;
  }

  void readDif() {
    dif_ = fs_.read(difPath_);
    if (dif_) checked_ = difFromIps(*dif_);
    if (dif_ && checked_) checked_ = checkDif(dif_->bytes());
  }

  void afterDif(JobEnd jobEnd) {
    if (halted(jobEnd)) return;
    if (!dif_) return fail(kBinWriteErrorText);
    if (!checked_) return fail(checked_.error().message);
    binPath_ = answers_->binToPatch();
    if (binPath_.empty()) return end(ApplyEnd::Cancelled);
    // Where nobody is asked (the applying form), all is done at once in one pass over the BIN.
    if (answers_->outputKnownBeforehand()) {
      if (std::optional<ApplyEnd> how = applyInOnePass(fs_, messenger_, *answers_, difPath_,
                                                       dif_->bytes(), binPath_, lockWait_)) {
        return end(*how);
      }
    }
    run([](ApplySteps& s,
           JobControl&) { s.verdict_ = verify(s.fs_, s.difPath_, s.dif_->bytes(), s.binPath_); },
        &ApplySteps::afterVerify);
  }

  void afterVerify(JobEnd jobEnd) {
    if (halted(jobEnd)) return;
    if (verdict_.unreadable) return fail(kBinWriteErrorText);
    unverified_ = verdict_.unverified;
    if (verdict_.doubt) {
      if (!answers_->applyAnyway(*verdict_.doubt)) {
        answers_->refused(*verdict_.doubt);
        return end(ApplyEnd::Refused);
      }
      if (verdict_.doubt->kind == ApplyDoubt::Unusable) unverified_ = verdict_.doubt->why;
    }
    dif_.reset();
    outPath_ = answers_->outputPath();
    if (outPath_.empty()) return end(ApplyEnd::Cancelled);
    // Patching in place reads and replaces one file, as overlapping runs may do with the same
    // BIN: the BIN is read again, whole, under the lock.
    if (std::optional<FileInfo> out = fs_.stat(outPath_); out && out->regular) {
      Result<std::unique_ptr<FileLock>> lock = fs_.lock(outPath_, lockWait_, MissingFile::Fails);
      if (!lock) return fail(lock.error().message);
      held_ = std::move(lock.value());
    }
    run([](ApplySteps& s, JobControl& control) { s.write(control); }, &ApplySteps::afterWrite);
  }

  void write(JobControl& control) {
    auto progress = [this, &control](std::uint64_t written) {
      if (progress_) control.post([progress = progress_, written] { progress(written); });
    };
    WatchedFileSystem watched(fs_, control.keepGoing(), progress);
    written_ = applyDifFile(watched, difPath_, binPath_, outPath_);
  }

  void afterWrite(JobEnd jobEnd) {
    held_.reset();
    // An output already in place stays, whenever "Отмена" came.
    if (!written_ || jobEnd == JobEnd::OutOfMemory) {
      if (jobEnd == JobEnd::Stopped) return end(ApplyEnd::Stopped);
      return fail(jobEnd == JobEnd::OutOfMemory ? std::string(kOutOfMemoryText)
                                                : written_.error().message);
    }
    answers_->applied(doneText(verdict_), unverified_);
    messenger_.notice(kDifAppliedText);
    end(ApplyEnd::Applied);
  }

  FileSystem& fs_;
  Messenger& messenger_;
  std::shared_ptr<ApplyAnswers> answers_;
  std::chrono::milliseconds lockWait_;
  Jobs& jobs_;
  std::function<void(std::uint64_t)> progress_;
  std::function<void(ApplyEnd)> ended_;

  std::string difPath_, binPath_, outPath_;
  std::optional<ByteImage> dif_;
  Status checked_ = success();
  Verdict verdict_;
  std::string unverified_;
  std::unique_ptr<FileLock> held_;
  Status written_ = success();
};

}  // namespace

void startApplyDif(FileSystem& fs, Messenger& messenger, std::shared_ptr<ApplyAnswers> answers,
                   std::chrono::milliseconds lockWait, Jobs& jobs,
                   std::function<void(std::uint64_t)> progress,
                   std::function<void(ApplyEnd)> ended) {
  std::make_shared<ApplySteps>(fs, messenger, std::move(answers), lockWait, jobs,
                               std::move(progress), std::move(ended))
      ->begin();
}

ApplyEnd applyDifCommand(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                         std::chrono::milliseconds lockWait) {
  InlineJobs jobs;
  ApplyEnd how = ApplyEnd::Failed;
  // The caller owns the answers and outlives the steps, which all run before this returns.
  std::shared_ptr<ApplyAnswers> borrowed(std::shared_ptr<void>(), &answers);
  startApplyDif(fs, messenger, borrowed, lockWait, jobs, {}, [&how](ApplyEnd end) { how = end; });
  return how;
}

}  // namespace hm
