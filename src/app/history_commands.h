#pragma once

#include "platform/messenger.h"

#include <chrono>

namespace hm {

class ListJobs;
class Session;

// Ctrl+Z and Ctrl+Shift+Z: the list one edit back or forward, its caret and selection with it,
// through the same recalculation as the edits. Nothing while long work runs.
void undoEdit(Session& session, ListJobs& listJobs);
void redoEdit(Session& session, ListJobs& listJobs);

// Before a search, F4 or closing the window replaces a list edited since it was last written:
// true when nothing would be lost or the user lets the edits go.
bool mayDiscardEdits(const Session& session, Messenger& messenger);

// Ctrl+S in DIF-editing mode: the edited list written over the DIF it was opened from, as
// "Создать DIF" writes it. False when nothing was written.
bool maySaveBack(const Session& session);
bool saveEditedDifCommand(Session& session, Messenger& messenger,
                          std::chrono::milliseconds lockWait);

}  // namespace hm
