#include "app/history_commands.h"

#include "app/dif_file_commands.h"
#include "app/ips_jobs.h"
#include "app/list_jobs.h"
#include "app/session.h"
#include "platform/user_texts.h"

namespace hm {

namespace {

void stepThroughHistory(Session& session, ListJobs& listJobs, bool back) {
  EditHistory& history = session.history();
  BlockList& list = session.blocks();
  if (session.busy() || !(back ? history.canUndo(list) : history.canRedo(list))) return;
  const EditHistory::Replay replay = back ? history.undo(list) : history.redo(list);
  if (replay.distance) session.setMinDistance(*replay.distance);
  if (replay.regroup) {
    listJobs.regroup(*replay.distance);
  } else {
    listJobs.recalculate();
  }
}

}  // namespace

void undoEdit(Session& session, ListJobs& listJobs) {
  stepThroughHistory(session, listJobs, true);
}

void redoEdit(Session& session, ListJobs& listJobs) {
  stepThroughHistory(session, listJobs, false);
}

bool mayDiscardEdits(const Session& session, Messenger& messenger) {
  return !session.history().edited() || messenger.show(kDiscardEditsText, MessageButtons::YesNo,
                                                       MessageIcon::Question) == MessageAnswer::Yes;
}

bool maySaveBack(const Session& session) {
  return !session.busy() && session.editingDif() && !session.editedDifPath().empty();
}

bool saveEditedDifCommand(Session& session, Messenger& messenger,
                          std::chrono::milliseconds lockWait) {
  if (!maySaveBack(session)) return false;
  // An IPS opened for editing stays an IPS: other programs could not apply it as a DIF.
  if (holdsIps(session.fileSystem(), session.editedDifPath())) {
    return writeIpsAt(session, messenger, session.editedDifPath(), lockWait);
  }
  return writeDifAt(session, messenger, session.editedDifPath(), lockWait);
}

}  // namespace hm
