#include "app/apply_dif_command.h"

#include "dif/dif_applier.h"
#include "dif/streamed_patch.h"
#include "platform/file_lock.h"
#include "platform/file_reader.h"
#include "platform/file_stream.h"
#include "platform/user_texts.h"

#include <chrono>
#include <memory>
#include <optional>

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
  std::unique_ptr<FileLock> held;
  if (std::optional<FileInfo> out = fs.stat(outPath); out && out->regular) {
    Result<std::unique_ptr<FileLock>> lock =
        fs.lock(outPath, std::chrono::milliseconds(0), MissingFile::Fails);
    if (!lock) return std::nullopt;
    held = std::move(lock.value());
  }
  std::unique_ptr<FileStream> bin = fs.openStream(binPath);
  if (!bin) return fail(messenger, kBinWriteErrorText);
  Result<CheckedPatch> patched = writeCheckedPatch(fs, outPath, dif, before->bytes(), *bin);
  if (!patched) return fail(messenger, patched.error().message);
  const Verdict verdict = verdictOf(patched->check);
  if (verdict.doubt && !answers.applyAnyway(*verdict.doubt)) {
    answers.refused(*verdict.doubt);
    return ApplyEnd::Refused;
  }
  if (!patched->written || !patched->out->commit()) return fail(messenger, kBinWriteErrorText);
  answers.applied(doneText(verdict), {});
  messenger.notice(kDifAppliedText);
  return ApplyEnd::Applied;
}

}  // namespace

ApplyEnd applyDifCommand(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                         std::chrono::milliseconds lockWait) {
  const std::string difPath = answers.difToApply();
  if (difPath.empty()) return ApplyEnd::Cancelled;
  std::optional<ByteImage> dif = fs.read(difPath);
  if (!dif) return fail(messenger, kBinWriteErrorText);
  if (Status checked = checkDif(dif->bytes()); !checked) {
    return fail(messenger, checked.error().message);
  }

  const std::string binPath = answers.binToPatch();
  if (binPath.empty()) return ApplyEnd::Cancelled;
  if (answers.outputKnownBeforehand()) {
    if (std::optional<ApplyEnd> end =
            applyInOnePass(fs, messenger, answers, difPath, dif->bytes(), binPath, lockWait)) {
      return *end;
    }
  }
  const Verdict verdict = verify(fs, difPath, dif->bytes(), binPath);
  if (verdict.unreadable) return fail(messenger, kBinWriteErrorText);
  std::string unverified = verdict.unverified;
  if (verdict.doubt) {
    if (!answers.applyAnyway(*verdict.doubt)) {
      answers.refused(*verdict.doubt);
      return ApplyEnd::Refused;
    }
    if (verdict.doubt->kind == ApplyDoubt::Unusable) unverified = verdict.doubt->why;
  }
  dif->release();

  const std::string outPath = answers.outputPath();
  if (outPath.empty()) return ApplyEnd::Cancelled;
  // Patching in place reads and replaces one file, as overlapping runs may do with the same
  // BIN: the BIN is read again, whole, under the lock.
  std::unique_ptr<FileLock> held;
  if (std::optional<FileInfo> out = fs.stat(outPath); out && out->regular) {
    Result<std::unique_ptr<FileLock>> lock = fs.lock(outPath, lockWait, MissingFile::Fails);
    if (!lock) return fail(messenger, lock.error().message);
    held = std::move(lock.value());
  }
  if (Status written = applyDifFile(fs, difPath, binPath, outPath); !written) {
    return fail(messenger, written.error().message);
  }
  answers.applied(doneText(verdict), unverified);
  messenger.notice(kDifAppliedText);
  return ApplyEnd::Applied;
}

}  // namespace hm
