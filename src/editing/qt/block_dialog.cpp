#include "editing/qt/block_dialog.h"

#include "editing/qt/dialog_controls.h"
#include "editing/qt/hex_line_edit.h"
#include "editing/qt/twips.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace hm {

namespace {

// The designed form, in twips: equal columns a gap apart, with the same gap at the edges, over
// the rows dialog_controls places its controls in.
constexpr int kColumnGap = 120;
constexpr int kClientHeight = 1575;

// Beside the title: the window's icon, its close button and the frame's margins.
constexpr int kTitleChromePixels = 110;

// Fixes the dialog at its designed size, widened with the controls kept in the middle where its
// title would not show whole, and without the maximize button that a fixed size leaves dead.
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

}  // namespace

BlockDialog::BlockDialog(QWidget* parent, const char* objectName, const QString& title,
                         Messenger& messenger, int columnWidth)
    : QDialog(parent), messenger_(messenger), columnWidth_(columnWidth) {
  setObjectName(qt(objectName));
  setWindowTitle(title);
  setModal(true);
}

BlockDialog::Column BlockDialog::addColumn(const char* captionName, const char* caption,
                                           const char* fieldName, const char* rangeName) {
  const int left = columnLeft(static_cast<int>(fields_.size()));
  makeCaption(this, captionName, caption, left, columnWidth_);
  Column column;
  column.field = makeHexField(this, fieldName, left, columnWidth_);
  column.range = makeRangeLabel(this, rangeName, left, columnWidth_);
  fields_.push_back(column.field);
  return column;
}

void BlockDialog::addButtons() {
  const int columns = static_cast<int>(fields_.size());
  QPushButton* ok = makeButton(this, "Command1", kOkCaption, columnLeft(columns - 2), columnWidth_);
  QPushButton* cancel =
      makeButton(this, "Command2", kCancelCaption, columnLeft(columns - 1), columnWidth_);
  fixDialogSize(this, twipsRect(0, 0, columnLeft(columns), kClientHeight).size());

  for (std::size_t i = 0; i + 1 < fields_.size(); ++i) setTabOrder(fields_[i], fields_[i + 1]);
  setTabOrder(fields_.back(), ok);
  setTabOrder(ok, cancel);
  fields_.front()->setFocus();

  for (std::size_t i = 0; i < fields_.size(); ++i) {
    HexLineEdit* next = fields_[(i + 1) % fields_.size()];
    connect(fields_[i], &HexLineEdit::enterPressed, next, [next] { next->setFocus(); });
  }
  connect(ok, &QPushButton::clicked, this, &BlockDialog::confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int BlockDialog::columnLeft(int index) const {
  return kColumnGap + index * (columnWidth_ + kColumnGap);
}

void BlockDialog::confirm() {
  if (!store()) {
    messenger_.show(kBadAddressesText, MessageButtons::Ok, MessageIcon::None);
    return;
  }
  accept();
}

}  // namespace hm
