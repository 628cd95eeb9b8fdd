#include "editing/qt/dialog_controls.h"

#include "editing/qt/hex_line_edit.h"
#include "editing/qt/twips.h"

#include <algorithm>

#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace hm {

namespace {

constexpr int kCaptionHeight = 255;
constexpr int kRangeHeight = 210;
constexpr int kFieldHeight = 315;
constexpr int kButtonHeight = 375;
constexpr int kRangePointSize = 7;

// Beside the title: the window's icon, its close button and the frame's margins.
constexpr int kTitleChromePixels = 110;

}  // namespace

void fixDialogSize(QDialog* dialog, const QSize& designed) {
  // Window managers draw titles in a bold face about the size of the dialog's own font.
  QFont title = dialog->font();
  title.setBold(true);
  const int needed =
      QFontMetrics(title).horizontalAdvance(dialog->windowTitle()) + kTitleChromePixels;
  const int extra = std::max(0, needed - designed.width());
  for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    child->move(child->x() + extra / 2, child->y());
  }
  dialog->setFixedSize(designed.width() + extra, designed.height());
  dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint);
}

QLabel* makeCaption(QWidget* parent, const char* name, const char* text, int left, int top,
                    int width) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  placeInTwips(label, left, top, width, kCaptionHeight);
  return label;
}

QLabel* makeRangeLabel(QWidget* parent, const char* name, int left, int top, int width) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  QFont small = label->font();
  small.setPointSize(kRangePointSize);
  label->setFont(small);
  placeInTwips(label, left, top, width, kRangeHeight);
  return label;
}

HexLineEdit* makeHexField(QWidget* parent, const char* name, int left, int top, int width) {
  auto* field = new HexLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  placeInTwips(field, left, top, width, kFieldHeight);
  return field;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* text, int left, int top,
                        int width) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  placeInTwips(button, left, top, width, kButtonHeight);
  return button;
}

}  // namespace hm
