#include "app/qt/byte_viewer.h"

#include "app/qt/hex_pane.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>

namespace hm {

ByteViewer::ByteViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("ByteViewer");
  setWindowTitle(qt(kBlockBytesTitle));
  grid_ = new QGridLayout(this);
  lRange_ = new QLabel(this);
  lRange_->setObjectName("lRange");
  lRange_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  for (int i = 0; i < 2; ++i) {
    QLabel* caption = new QLabel(this);
    caption->setObjectName(i == 0 ? "lPane1" : "lPane2");
    auto* pane = new HexPane(this);
    pane->setObjectName(i == 0 ? "hexPane1" : "hexPane2");
    pane->setFixedWidth(pane->rowWidth());
    captions_[static_cast<std::size_t>(i)] = caption;
    panes_[static_cast<std::size_t>(i)] = pane;
  }
  arrange({false, kViewerMostRows});
  // The panes scroll together: the same row stands at the top of both.
  QScrollBar* first = panes_[0]->verticalScrollBar();
  QScrollBar* second = panes_[1]->verticalScrollBar();
  connect(first, &QScrollBar::valueChanged, second, &QScrollBar::setValue);
  connect(second, &QScrollBar::valueChanged, first, &QScrollBar::setValue);
  grid_->setSizeConstraint(QLayout::SetFixedSize);
  // A fixed size leaves nothing to maximize.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
}

int ByteViewer::paneHeight(int rows) const {
  return rows * panes_[0]->rowHeight() + 2 * panes_[0]->frameWidth();
}

void ByteViewer::arrange(const ViewerLayout& layout) {
  layout_ = layout;
  for (QWidget* w : {static_cast<QWidget*>(lRange_), static_cast<QWidget*>(captions_[0]),
                     static_cast<QWidget*>(captions_[1]), static_cast<QWidget*>(panes_[0]),
                     static_cast<QWidget*>(panes_[1])}) {
    grid_->removeWidget(w);
  }
  grid_->addWidget(lRange_, 0, 0, 1, layout.stacked ? 1 : 2);
  for (int i = 0; i < 2; ++i) {
    const int row = layout.stacked ? 1 + 2 * i : 1;
    const int column = layout.stacked ? 0 : i;
    panes_[static_cast<std::size_t>(i)]->setFixedHeight(paneHeight(layout.rows));
    grid_->addWidget(captions_[static_cast<std::size_t>(i)], row, column);
    grid_->addWidget(panes_[static_cast<std::size_t>(i)], row + 1, column);
  }
}

QSize ByteViewer::sizeFor(const ViewerLayout& layout) const {
  const QMargins margins = grid_->contentsMargins();
  const int across = grid_->horizontalSpacing() >= 0
                         ? grid_->horizontalSpacing()
                         : style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
  const int down = grid_->verticalSpacing() >= 0
                       ? grid_->verticalSpacing()
                       : style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing);
  const int paneWidth = panes_[0]->rowWidth();
  const int block = captions_[0]->sizeHint().height() + down + paneHeight(layout.rows);
  const int panesAcross = layout.stacked ? 1 : 2;
  const int panesDown = layout.stacked ? 2 : 1;
  const int width = panesAcross * paneWidth + (panesAcross - 1) * across;
  const int height = lRange_->sizeHint().height() + panesDown * (down + block);
  return QSize(std::max(width, lRange_->sizeHint().width()) + margins.left() + margins.right(),
               height + margins.top() + margins.bottom());
}

bool ByteViewer::sameView(const BlockBytes& next, const QStringList& captions) const {
  return bytes_.shown() && next.shown() && captions == shownCaptions_ &&
         next.block().start == bytes_.block().start && next.block().end == bytes_.block().end &&
         next.rowCount() == bytes_.rowCount();
}

void ByteViewer::showBytes(BlockBytes bytes, const QStringList& captions) {
  const bool keepPlace = sameView(bytes, captions);
  const std::int64_t top = panes_[0]->firstVisibleRow();
  bytes_ = std::move(bytes);
  shownCaptions_ = captions;
  lRange_->setText(qt(blockBytesSummary(bytes_)));
  for (int i = 0; i < 2; ++i) {
    const bool used = i < captions.size();
    HexPane* pane = panes_[static_cast<std::size_t>(i)];
    QLabel* caption = captions_[static_cast<std::size_t>(i)];
    caption->setText(used ? captions[i] : QString());
    caption->setVisible(used);
    pane->setVisible(used);
    pane->setBytes(used && i < bytes_.lanes() ? &bytes_ : nullptr, i);
  }
  // A new block is shown from its first row, the context above it in view.
  panes_[0]->scrollToRow(keepPlace ? top : 0);
}

void ByteViewer::hideEvent(QHideEvent* event) {
  for (HexPane* pane : panes_) pane->setBytes(nullptr, 0);
  bytes_ = BlockBytes();
  shownCaptions_.clear();
  QWidget::hideEvent(event);
}

void ByteViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace hm
