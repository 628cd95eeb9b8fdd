#pragma once

#include "app/apply_dif_command.h"
#include "platform/file_chooser.h"

#include <optional>
#include <string>

namespace hm {

class Session;

// The window's answers: the files from its dialogs, the doubts asked in a Yes/No box (No being
// the default), what was done in its status line.
class DialogApplyAnswers : public ApplyAnswers {
 public:
  // `dif` when given answers the first question without a dialog: a DIF named on the command
  // line or dropped on the window.
  DialogApplyAnswers(Session& session, FileChooser& chooser, Messenger& messenger,
                     std::optional<std::string> dif = std::nullopt);

  std::string difToApply() override;
  std::string binToPatch() override;
  std::string outputPath() override;
  bool applyAnyway(const ApplyDoubt& doubt) override;
  void applied(const char* done, const std::string& unverified) override;
  void refused(const ApplyDoubt& doubt) override;

 private:
  Session& session_;
  FileChooser& chooser_;
  Messenger& messenger_;
  std::optional<std::string> dif_;
};

}  // namespace hm
