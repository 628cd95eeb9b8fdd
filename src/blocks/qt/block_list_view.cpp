#include "blocks/qt/block_list_view.h"

#include "blocks/qt/tab_stop_fields.h"
#include "platform/qt/qt_text.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace hm {

namespace {

// Room above and below the text of a line, and before and after it.
constexpr int kRowPadding = 2;

}  // namespace

BlockListView::BlockListView(BlockList& list, QWidget* parent)
    : QAbstractScrollArea(parent), list_(list) {
  setObjectName(QStringLiteral("Lst1"));
  setFocusPolicy(Qt::StrongFocus);
  // Lines longer than the view are cut off: no line's length can start a horizontal scroll.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(1);
  list_.setObserver(this);
  updateScrollRange();
}

BlockListView::~BlockListView() {
  list_.setObserver(nullptr);
}

void BlockListView::setTabStops(std::vector<int> stops) {
  if (stops == stops_) return;
  stops_ = std::move(stops);
  viewport()->update();
}

void BlockListView::selectRows(const std::vector<int>& rows, int caret) {
  CaretWatch watch(*this);
  list_.clearSelection();
  for (int row : rows) list_.setSelected(row, true);
  if (caret >= 0 && caret < list_.count()) {
    list_.setCaret(caret);
    anchor_ = caret;
  }
  viewport()->update();
}

int BlockListView::rowHeight() const {
  return fontMetrics().height() + 2 * kRowPadding;
}

int BlockListView::visibleRows() const {
  return std::max(1, viewport()->height() / rowHeight());
}

int BlockListView::firstVisibleRow() const {
  return verticalScrollBar()->value();
}

QRect BlockListView::visualRect(int row) const {
  return {0, (row - firstVisibleRow()) * rowHeight(), viewport()->width(), rowHeight()};
}

int BlockListView::rowAt(int y) const {
  if (y < 0) return -1;
  const int row = firstVisibleRow() + y / rowHeight();
  return row < list_.count() ? row : -1;
}

void BlockListView::scrollToRow(int row) {
  const int first = firstVisibleRow();
  if (row < first) {
    verticalScrollBar()->setValue(row);
  } else if (row >= first + visibleRows()) {
    verticalScrollBar()->setValue(row - visibleRows() + 1);
  }
}

void BlockListView::scrollToBottom() {
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QString BlockListView::lineText(int row) const {
  return qt(list_.text(row));
}

void BlockListView::updateScrollRange() {
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(visibleRows());
  bar->setRange(0, std::max(0, list_.count() - visibleRows()));
}

void BlockListView::followList() {
  if (anchor_ >= list_.count()) anchor_ = -1;
  updateScrollRange();
  viewport()->update();
}

void BlockListView::changed(int row) {
  viewport()->update(visualRect(row));
}

void BlockListView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const int height = rowHeight();
  const int first = firstVisibleRow() + event->rect().top() / height;
  const int last = std::min(firstVisibleRow() + event->rect().bottom() / height, list_.count() - 1);
  for (int row = first; row <= last; ++row) paintRow(painter, row, visualRect(row));
}

void BlockListView::paintRow(QPainter& painter, int row, const QRect& rect) {
  const bool selected = list_.isSelected(row);
  const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                     : isActiveWindow() ? QPalette::Active
                                                        : QPalette::Inactive;
  if (selected) painter.fillRect(rect, palette().brush(group, QPalette::Highlight));
  painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  drawFields(painter, rect.adjusted(margin, 0, -margin, 0), lineText(row), stops_);
  if (row != list_.caret() || !hasFocus()) return;
  QStyleOptionFocusRect focus;
  focus.initFrom(this);
  focus.rect = rect;
  focus.backgroundColor = palette().color(group, selected ? QPalette::Highlight : QPalette::Base);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

void BlockListView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange();
}

void BlockListView::scrollContentsBy(int, int) {
  viewport()->update();
}

void BlockListView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    updateScrollRange();
  }
}

void BlockListView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  viewport()->update();
}

void BlockListView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

// From the anchor to `row`; with `keepOthers` the lines selected before stay selected.
void BlockListView::selectFromAnchor(int row, bool keepOthers) {
  if (anchor_ < 0) anchor_ = list_.caret() >= 0 ? list_.caret() : row;
  if (!keepOthers) list_.clearSelection();
  list_.setSelected(anchor_, row, true);
}

void BlockListView::select(int row, Qt::KeyboardModifiers modifiers) {
  const bool ctrl = modifiers & Qt::ControlModifier;
  if (modifiers & Qt::ShiftModifier) {
    selectFromAnchor(row, ctrl);
  } else if (ctrl) {
    list_.setSelected(row, !list_.isSelected(row));
    anchor_ = row;
  } else {
    list_.clearSelection();
    list_.setSelected(row, true);
    anchor_ = row;
  }
  list_.setCaret(row);
  viewport()->update();
}

void BlockListView::mousePressEvent(QMouseEvent* event) {
  CaretWatch watch(*this);
  const int row = rowAt(event->position().toPoint().y());
  if (event->button() == Qt::RightButton && !frozen_ && row >= 0) {
    // The menu that follows acts on the line under the pointer: a line outside the selection
    // becomes the selection, one inside it keeps the selection and takes the caret.
    setFocus(Qt::MouseFocusReason);
    if (list_.isSelected(row)) {
      list_.setCaret(row);
      viewport()->update();
    } else {
      select(row, Qt::NoModifier);
    }
  }
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  if (frozen_) {
    if (row >= 0) emit pressed(row);
    return;
  }
  if (row < 0) {
    // A click below the lines drops the selection, as in other lists of several lines.
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) list_.clearSelection();
    viewport()->update();
    return;
  }
  select(row, event->modifiers());
  emit pressed(row);
}

void BlockListView::mouseMoveEvent(QMouseEvent* event) {
  CaretWatch watch(*this);
  if (!(event->buttons() & Qt::LeftButton) || frozen_ || anchor_ < 0 || list_.count() == 0) return;
  const int y = event->position().toPoint().y();
  const int first = firstVisibleRow();
  // Dragging past an edge scrolls a line at a time.
  if (y < 0) verticalScrollBar()->setValue(first - 1);
  if (y >= viewport()->height()) verticalScrollBar()->setValue(first + 1);
  const int row = std::clamp(firstVisibleRow() + std::max(y, 0) / rowHeight(), 0,
                             std::min(list_.count() - 1, firstVisibleRow() + visibleRows() - 1));
  selectFromAnchor(row, event->modifiers() & Qt::ControlModifier);
  list_.setCaret(row);
  viewport()->update();
}

// The press chose the lines; the release ends a drag over them.
void BlockListView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
  event->accept();
}

void BlockListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
  const int row = rowAt(event->position().toPoint().y());
  if (row < 0) return;
  if (!frozen_) list_.setCaret(row);
  emit pressed(row);
  emit doubleClicked(row);
}

// Where a navigation key takes the caret.
int BlockListView::keyTarget(int key) const {
  const int last = list_.count() - 1;
  const int caret = list_.caret();
  const int page = std::max(1, visibleRows() - 1);
  switch (key) {
    case Qt::Key_Up:
      return std::max(caret - 1, 0);
    case Qt::Key_Down:
      return std::min(caret + 1, last);
    case Qt::Key_PageUp:
      return std::max(caret - page, 0);
    case Qt::Key_PageDown:
      return std::min(caret + page, last);
    case Qt::Key_Home:
      return 0;
    case Qt::Key_End:
      return last;
    default:
      return -1;
  }
}

void BlockListView::keyPressEvent(QKeyEvent* event) {
  CaretWatch watch(*this);
  if (event->matches(QKeySequence::SelectAll)) {
    if (!frozen_) list_.setSelected(0, list_.count() - 1, true);
    viewport()->update();
    return;
  }
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const int target = keyTarget(event->key());
  if (target >= 0 && list_.count() > 0) {
    if (frozen_) return;
    if (modifiers & Qt::ShiftModifier) {
      selectFromAnchor(target, modifiers & Qt::ControlModifier);
    } else if (!(modifiers & Qt::ControlModifier)) {
      list_.clearSelection();
      list_.setSelected(target, true);
      anchor_ = target;
    }
    list_.setCaret(target);
    scrollToRow(target);
    viewport()->update();
    return;
  }
  if (event->key() == Qt::Key_Space && list_.caret() >= 0) {
    if (frozen_) return;
    const int caret = list_.caret();
    list_.setSelected(caret, (modifiers & Qt::ControlModifier) ? !list_.isSelected(caret) : true);
    anchor_ = caret;
    viewport()->update();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace hm
