#include "app/control_state.h"

#include "app/session.h"
#include "platform/user_texts.h"

namespace hm {

ControlState controlState(const Session& session) {
  const bool editing = session.editingDif();
  const bool idle = !session.busy();
  const bool lines = session.blocks().count() > 0;
  const bool pair = !session.inFile().empty() && !session.outFile().empty() &&
                    session.inFile() != session.outFile();
  ControlState state;
  // The edited DIF is the list: a search would replace it with a comparison of other files.
  state.search = idle && pair && !editing;
  state.merge = idle && lines && !editing;
  state.remove = idle && lines;
  // A block is added to the target's range, or while a DIF is edited from a data file.
  state.add = idle && (editing ? session.dataFileNamed() : pair);
  state.createDif = idle;
  state.cancelShown = (session.searching() || session.difWork()) && !session.cancelRequested();
  state.chooseFiles = idle;
  state.normalMode = !editing;
  state.listTakesClicks = idle;
  state.editLine = idle && session.blocks().caret() >= 0;
  state.undo = idle && session.history().canUndo(session.blocks());
  state.redo = idle && session.history().canRedo(session.blocks());
  state.saveBack = idle && editing;
  state.firstButtonCaption = editing ? kDataFileCaption : kSourceCaption;
  return state;
}

}  // namespace hm
