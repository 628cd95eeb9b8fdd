#include "app/dialog_apply_answers.h"

#include "app/session.h"
#include "platform/user_texts.h"

#include <utility>

namespace hm {

DialogApplyAnswers::DialogApplyAnswers(Session& session, FileChooser& chooser, Messenger& messenger,
                                       std::optional<std::string> dif)
    : session_(session), chooser_(chooser), messenger_(messenger), dif_(std::move(dif)) {}

std::string DialogApplyAnswers::difToApply() {
  return dif_ ? *dif_ : chooser_.AskOpenFile(FileKind::Dif);
}

std::string DialogApplyAnswers::binToPatch() {
  return chooser_.AskOpenFile(FileKind::SourceBin);
}

std::string DialogApplyAnswers::outputPath() {
  return chooser_.AskSaveFile(FileKind::SourceBin);
}

bool DialogApplyAnswers::applyAnyway(const ApplyDoubt& doubt) {
  std::string why = doubt.why;
  MessageIcon icon = MessageIcon::Exclamation;
  if (doubt.kind == ApplyDoubt::Applied) {
    why = kAlreadyAppliedText;
    icon = MessageIcon::Question;
  } else if (doubt.kind == ApplyDoubt::Differs) {
    why = differsText(doubt.check);
  }
  return messenger_.show(why + " " + kApplyAnywayText, MessageButtons::YesNo, icon) ==
         MessageAnswer::Yes;
}

void DialogApplyAnswers::applied(const char* done, const std::string&) {
  session_.say(done);
}

void DialogApplyAnswers::refused(const ApplyDoubt&) {
  session_.say(kApplyCancelledText);
}

}  // namespace hm
