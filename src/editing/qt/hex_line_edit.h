#pragma once

#include <QLineEdit>

class QKeyEvent;

namespace hm {

// A hexadecimal field of the block dialogs: at most six characters, each typed one passed
// through HexKeyFilter. Cursor keys, Backspace and Delete edit as usual; clipboard and undo
// keys do nothing. Enter inserts nothing and is reported instead, so the dialog can move on.
class HexLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit HexLineEdit(QWidget* parent = nullptr);

 signals:
  void enterPressed();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace hm
