#pragma once

class QLabel;
class QPushButton;
class QWidget;

namespace hm {

class HexLineEdit;

// The controls the block dialogs are built from, each named and placed in its row of the
// designed form, `left` and `width` in twips.
QLabel* makeCaption(QWidget* parent, const char* name, const char* text, int left, int width);
HexLineEdit* makeHexField(QWidget* parent, const char* name, int left, int width);
// A label of the small font that shows the range a field may take.
QLabel* makeRangeLabel(QWidget* parent, const char* name, int left, int width);
QPushButton* makeButton(QWidget* parent, const char* name, const char* text, int left, int width);

}  // namespace hm
