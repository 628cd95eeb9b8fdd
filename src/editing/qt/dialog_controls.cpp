#include "editing/qt/dialog_controls.h"

#include "editing/qt/hex_line_edit.h"
#include "editing/qt/twips.h"
#include "platform/qt/qt_text.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace hm {

namespace {

// The designed rows, top to bottom, in twips.
struct Row {
  int top;
  int height;
};
constexpr Row kCaptionRow{120, 255};
constexpr Row kFieldRow{390, 315};
constexpr Row kRangeRow{735, 210};
constexpr Row kButtonRow{1080, 375};

constexpr int kRangePointSize = 7;

template <typename Control>
Control* placed(Control* control, const char* name, int left, const Row& row, int width) {
  control->setObjectName(qt(name));
  placeInTwips(control, left, row.top, width, row.height);
  return control;
}

}  // namespace

QLabel* makeCaption(QWidget* parent, const char* name, const char* text, int left, int width) {
  return placed(new QLabel(qt(text), parent), name, left, kCaptionRow, width);
}

HexLineEdit* makeHexField(QWidget* parent, const char* name, int left, int width) {
  return placed(new HexLineEdit(parent), name, left, kFieldRow, width);
}

QLabel* makeRangeLabel(QWidget* parent, const char* name, int left, int width) {
  auto* label = placed(new QLabel(parent), name, left, kRangeRow, width);
  QFont small = label->font();
  small.setPointSize(kRangePointSize);
  label->setFont(small);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* text, int left, int width) {
  return placed(new QPushButton(qt(text), parent), name, left, kButtonRow, width);
}

}  // namespace hm
