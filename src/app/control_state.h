#pragma once

namespace hm {

class Session;

// Which of the window's controls can be used and how the mode shows: what Activity paints.
struct ControlState {
  bool search = false;       // bSer
  bool merge = false;        // bSplit
  bool add = false;          // bAdd
  bool remove = false;       // bDel
  bool createDif = false;    // bDIF
  bool cancelShown = false;  // bCancel, while a search or DIF work may still be stopped
  bool chooseFiles = false;  // both path boxes and their buttons; opening and applying files
  bool normalMode = true;    // the target, the backup choice and the distance in view and usable
  bool listTakesClicks = true;
  bool editLine = false;  // the list menu's "Изменить адреса...": a caret line to edit
  bool undo = false;      // "Отменить": an edit to take back
  bool redo = false;      // "Повторить": an edit taken back to do again
  bool saveBack = false;                     // Ctrl+S: the edited DIF written over its file
  const char* firstButtonCaption = nullptr;  // Command1: the source BIN or the data file
};

// Derived from the session alone, so every path to a change shows the same controls. While long
// work runs, whatever would start more work or change what it reads is off; the distance stays
// usable, as a new one takes over from a regrouping under way.
ControlState controlState(const Session& session);

}  // namespace hm
