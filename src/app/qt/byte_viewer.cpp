#include "app/qt/byte_viewer.h"

#include "app/qt/hex_pane.h"
#include "platform/user_texts.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>

namespace hm {

namespace {

constexpr int kPaneRows = 20;

}  // namespace

ByteViewer::ByteViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName("ByteViewer");
  setWindowTitle(QString::fromUtf8(kBlockBytesTitle));
  auto* grid = new QGridLayout(this);
  lRange_ = new QLabel(this);
  lRange_->setObjectName("lRange");
  lRange_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  grid->addWidget(lRange_, 0, 0, 1, 2);
  for (int i = 0; i < 2; ++i) {
    QLabel* caption = new QLabel(this);
    caption->setObjectName(i == 0 ? "lPane1" : "lPane2");
    auto* pane = new HexPane(this);
    pane->setObjectName(i == 0 ? "hexPane1" : "hexPane2");
    pane->setFixedWidth(pane->rowWidth());
    pane->setMinimumHeight(kPaneRows * pane->rowHeight() + 2 * pane->frameWidth());
    grid->addWidget(caption, 1, i);
    grid->addWidget(pane, 2, i);
    captions_[static_cast<std::size_t>(i)] = caption;
    panes_[static_cast<std::size_t>(i)] = pane;
  }
  // The panes scroll together: the same row stands at the top of both.
  QScrollBar* first = panes_[0]->verticalScrollBar();
  QScrollBar* second = panes_[1]->verticalScrollBar();
  connect(first, &QScrollBar::valueChanged, second, &QScrollBar::setValue);
  connect(second, &QScrollBar::valueChanged, first, &QScrollBar::setValue);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
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
  lRange_->setText(QString::fromStdString(blockBytesSummary(bytes_)));
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
