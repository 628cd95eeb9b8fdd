#pragma once

#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QSize;
class QWidget;

namespace hm {

class HexLineEdit;

// The controls the two block dialogs are built from, each named and placed in twips.
QLabel* makeCaption(QWidget* parent, const char* name, const char* text, int left, int top,
                    int width);
// A label of the small font that shows an address range.
QLabel* makeRangeLabel(QWidget* parent, const char* name, int left, int top, int width);
HexLineEdit* makeHexField(QWidget* parent, const char* name, int left, int top, int width);
QPushButton* makeButton(QWidget* parent, const char* name, const char* text, int left, int top,
                        int width);

// Fixes the dialog at its designed size, widened with the controls kept in the middle where its
// title would not show whole, and without the maximize button that a fixed size leaves dead.
void fixDialogSize(QDialog* dialog, const QSize& designed);

}  // namespace hm
