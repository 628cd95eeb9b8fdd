#pragma once

#include "app/jobs.h"
#include "dif/patch_verification.h"
#include "platform/file_system.h"
#include "platform/messenger.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hm {

// Why a BIN may not be the one a DIF was made for.
struct ApplyDoubt {
  enum Kind {
    Applied,   // every block already holds the DIF's bytes
    Differs,   // anything else but the source
    Unusable,  // the DIF's counterpart is there but cannot tell
  } kind;
  PatchCheck check;  // Applied, Differs
  std::string why;   // Unusable: what is wrong with the counterpart
};

// What applying asks, and of whom: the window asks the user through its file dialogs and
// message boxes; the applying form answers from its line.
class ApplyAnswers {
 public:
  virtual ~ApplyAnswers() = default;
  // The three files; empty when the user cancelled the dialog.
  virtual std::string difToApply() = 0;
  virtual std::string binToPatch() = 0;
  virtual std::string outputPath() = 0;
  // Whether to apply all the same.
  virtual bool applyAnyway(const ApplyDoubt& doubt) = 0;
  // The output is written: `done` says how the BIN was found, `unverified` why it was not
  // checked (empty when it was).
  virtual void applied(const char* done, const std::string& unverified) = 0;
  // A doubt was answered No.
  virtual void refused(const ApplyDoubt& doubt) = 0;
  // Whether outputPath() may be asked before the doubts, as where nobody is asked: the BIN is
  // then verified and applied in one pass over it, and the output committed once the doubts are
  // answered.
  virtual bool outputKnownBeforehand() const { return false; }
};

// Cancelled: a question went unanswered; Stopped: "Отмена" during the work.
enum class ApplyEnd { Applied, Cancelled, Refused, Failed, Stopped };

// Applies a DIF to a BIN, verified against the DIF's counterpart where one is there: the DIF is
// read and checked whole before the BIN is asked for, the BIN's blocks compared, the doubts
// asked about, the output's name asked for and the patched BIN written under the output's lock.
// Errors are shown through `messenger` ("Ошибка записи BIN файла!", "Неверный DIF файл!!!", a
// busy output), and so is "DIF файл успешно установлен!" at the end.
ApplyEnd applyDifCommand(FileSystem& fs, Messenger& messenger, ApplyAnswers& answers,
                         std::chrono::milliseconds lockWait);

// The same in steps: the long ones (reading and checking the DIF, comparing the BIN, writing the
// output) run by `jobs`, the questions asked between them where `jobs` runs its finish, so the
// window's loop keeps turning. `progress` hears there how many bytes of the output are written;
// a stop asked of `jobs` leaves the output as it was and ends in Stopped.
void startApplyDif(FileSystem& fs, Messenger& messenger, std::shared_ptr<ApplyAnswers> answers,
                   std::chrono::milliseconds lockWait, Jobs& jobs,
                   std::function<void(std::uint64_t written)> progress,
                   std::function<void(ApplyEnd)> ended);

}  // namespace hm
