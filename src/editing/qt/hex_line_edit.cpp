#include "editing/qt/hex_line_edit.h"

#include "editing/hex_key_filter.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace hm {

namespace {

constexpr int kFieldLength = 6;

// Keys that move the cursor or delete, which the field keeps although they type nothing.
bool isEditingKey(int key) {
  switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

bool isEnterKey(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Clipboard, undo and select-all sequences, also in their Shift+Delete / Shift+Insert forms.
bool isStandardEditSequence(const QKeyEvent* event) {
  for (QKeySequence::StandardKey standard :
       {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
        QKeySequence::Redo, QKeySequence::SelectAll}) {
    if (event->matches(standard)) return true;
  }
  return false;
}

// With Ctrl, Alt or Meta held a key is a command, whatever letter its text carries.
bool isCommandChord(const QKeyEvent* event) {
  return (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
}

}  // namespace

HexLineEdit::HexLineEdit(QWidget* parent) : QLineEdit(parent) {
  setMaxLength(kFieldLength);
}

bool HexLineEdit::event(QEvent* event) {
  // Claiming the clipboard and undo sequences keeps any shortcut from acting on them; the key
  // press that follows is then dropped.
  if (event->type() == QEvent::ShortcutOverride &&
      isStandardEditSequence(static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QLineEdit::event(event);
}

void HexLineEdit::keyPressEvent(QKeyEvent* event) {
  if (isStandardEditSequence(event)) {
    event->accept();
    return;
  }
  if (isEnterKey(event->key())) {
    event->accept();
    emit enterPressed();
    return;
  }
  if (isEditingKey(event->key())) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    // Left to the dialog, which closes as with Cancel.
    event->ignore();
    return;
  }
  event->accept();
  if (isCommandChord(event)) return;
  for (char32_t typed : event->text().toUcs4()) {
    std::optional<char32_t> mapped = HexKeyFilter(typed);
    if (!mapped) continue;
    if (*mapped == U'\r') {
      emit enterPressed();
    } else if (*mapped == U'\b') {
      backspace();
    } else if (*mapped != U'\t') {
      insert(QString(QChar(static_cast<char16_t>(*mapped))));
    }
  }
}

}  // namespace hm
