#include "app/qt/hex_pane.h"

#include "blocks/hex_format.h"
#include "platform/qt/qt_text.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

namespace hm {

namespace {

constexpr int kMargin = 4;
constexpr int kRowPadding = 1;
constexpr int kAddressChars = 6;
constexpr int kHexStart = kAddressChars + 2;
// A space between bytes, one more between the two halves of a row.
constexpr int kHexChars = BlockBytes::kRowBytes * 3 + 1;
constexpr int kTextStart = kHexStart + kHexChars + 1;
constexpr int kRowChars = kTextStart + BlockBytes::kRowBytes;

// Changed bytes stand out in both panes alike, whatever the style's colours.
const QColor kChangedBackground(255, 214, 120);

char shownChar(std::int16_t value) {
  return value >= 0x20 && value < 0x7F ? static_cast<char>(value) : '.';
}

}  // namespace

HexPane::HexPane(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
}

void HexPane::setBytes(const BlockBytes* bytes, int lane) {
  bytes_ = bytes;
  lane_ = lane;
  anchor_ = cursor_ = -1;
  updateScrollRange();
  viewport()->update();
}

void HexPane::selectBytes(std::int64_t first, std::int64_t last) {
  anchor_ = first;
  cursor_ = last;
  viewport()->update();
}

QString HexPane::selectedText() const {
  if (!bytes_ || !hasSelection()) return {};
  return qt(bytes_->hexText(lane_, selectionFirst(), selectionLast()));
}

void HexPane::copy() const {
  const QString text = selectedText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

// Fractional: a monospaced font's advance is rarely a whole pixel, and a row of 74 characters
// placed by a rounded one would drift from the text drawn in runs.
qreal HexPane::charWidth() const {
  return QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0'));
}

int HexPane::rowHeight() const {
  return fontMetrics().height() + 2 * kRowPadding;
}

int HexPane::visibleRows() const {
  return std::max(1, viewport()->height() / rowHeight());
}

int HexPane::rowWidth() const {
  // A character to spare: a font's glyphs may stand a little past their advance.
  return 2 * kMargin + static_cast<int>(std::ceil((kRowChars + 1) * charWidth())) +
         style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2 * frameWidth();
}

std::int64_t HexPane::firstVisibleRow() const {
  return verticalScrollBar()->value();
}

void HexPane::scrollToRow(std::int64_t row) {
  verticalScrollBar()->setValue(static_cast<int>(row));
}

int HexPane::hexColumn(int cell) const {
  return kHexStart + 3 * cell + (cell >= BlockBytes::kRowBytes / 2 ? 1 : 0);
}

int HexPane::textColumn(int cell) const {
  return kTextStart + cell;
}

std::int64_t HexPane::addressAt(QPoint point) const {
  if (!bytes_ || point.x() < kMargin || point.y() < 0) return -1;
  const std::int64_t row = firstVisibleRow() + point.y() / rowHeight();
  if (row >= bytes_->rowCount()) return -1;
  const int column = static_cast<int>((point.x() - kMargin) / charWidth());
  int cell = -1;
  if (column >= kTextStart && column < kRowChars) {
    cell = column - kTextStart;
  } else if (column >= kHexStart && column < kHexStart + kHexChars) {
    const int inHex = column - kHexStart;
    const int half = BlockBytes::kRowBytes / 2 * 3;
    cell = inHex < half ? inHex / 3 : std::min((inHex - 1) / 3, BlockBytes::kRowBytes - 1);
  }
  return cell < 0 ? -1 : bytes_->rowAddress(row) + cell;
}

void HexPane::updateScrollRange() {
  const std::int64_t rows = bytes_ ? bytes_->rowCount() : 0;
  const int page = visibleRows();
  verticalScrollBar()->setPageStep(page);
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setRange(0, static_cast<int>(std::max<std::int64_t>(rows - page, 0)));
}

void HexPane::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollRange();
}

void HexPane::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().base());
  if (!bytes_) return;
  const std::int64_t first = firstVisibleRow();
  const std::int64_t last =
      std::min(bytes_->rowCount() - 1, first + viewport()->height() / rowHeight());
  for (std::int64_t row = first; row <= last; ++row) {
    paintRow(painter, row, static_cast<int>(row - first) * rowHeight());
  }
}

// Cells are drawn in runs of one colour, most rows in one run a column: a page of rows costs a
// few text draws, not two per byte.
void HexPane::paintRow(QPainter& painter, std::int64_t row, int y) {
  const qreal cw = charWidth();
  const qreal h = rowHeight();
  const std::int64_t address = bytes_->rowAddress(row);
  painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
  painter.drawText(QRectF(kMargin, y, kAddressChars * cw, h), Qt::AlignVCenter,
                   qt(HexPad(static_cast<std::int32_t>(address), 6)));
  const BlockBytes::Row cells = bytes_->row(lane_, row);
  enum Ink { None, Dim, Plain, Selected };
  std::array<Ink, BlockBytes::kRowBytes> inks{};
  for (int i = 0; i < BlockBytes::kRowBytes; ++i) {
    const BlockBytes::Cell& cell = cells[static_cast<std::size_t>(i)];
    if (cell.value < 0) continue;
    const std::int64_t at = address + i;
    const bool selected = hasSelection() && at >= selectionFirst() && at <= selectionLast();
    inks[static_cast<std::size_t>(i)] = selected ? Selected : cell.inBlock ? Plain : Dim;
    if (selected || cell.differs) {
      const QBrush fill = selected ? palette().highlight() : QBrush(kChangedBackground);
      painter.fillRect(QRectF(kMargin + hexColumn(i) * cw, y, 2 * cw, h), fill);
      painter.fillRect(QRectF(kMargin + textColumn(i) * cw, y, cw, h), fill);
    }
  }
  const QColor colours[] = {QColor(), palette().color(QPalette::Disabled, QPalette::Text),
                            palette().color(QPalette::Text),
                            palette().color(QPalette::HighlightedText)};
  for (int first = 0; first < BlockBytes::kRowBytes;) {
    const Ink ink = inks[static_cast<std::size_t>(first)];
    int last = first;
    while (last + 1 < BlockBytes::kRowBytes && inks[static_cast<std::size_t>(last + 1)] == ink) {
      ++last;
    }
    if (ink != None) {
      QString hex;
      QString text;
      for (int i = first; i <= last; ++i) {
        const std::int16_t v = cells[static_cast<std::size_t>(i)].value;
        if (i > first)
          hex += i == BlockBytes::kRowBytes / 2 ? QStringLiteral("  ") : QStringLiteral(" ");
        hex += QLatin1Char(kHexDigits[v >> 4]);
        hex += QLatin1Char(kHexDigits[v & 0xF]);
        text += QLatin1Char(shownChar(v));
      }
      painter.setPen(colours[ink]);
      const qreal width = (hexColumn(last) - hexColumn(first) + 2) * cw;
      painter.drawText(QRectF(kMargin + hexColumn(first) * cw, y, width, h), Qt::AlignVCenter, hex);
      painter.drawText(QRectF(kMargin + textColumn(first) * cw, y, (last - first + 1) * cw, h),
                       Qt::AlignVCenter, text);
    }
    first = last + 1;
  }
}

void HexPane::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const std::int64_t at = addressAt(event->position().toPoint());
  if (at < 0) return;
  if (!(event->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = at;
  cursor_ = at;
  viewport()->update();
}

void HexPane::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || anchor_ < 0 || !bytes_) return;
  QPoint point = event->position().toPoint();
  // Dragging past an edge scrolls a row at a time.
  if (point.y() < 0) scrollToRow(firstVisibleRow() - 1);
  if (point.y() >= viewport()->height()) scrollToRow(firstVisibleRow() + 1);
  point.setY(std::clamp(point.y(), 0, viewport()->height() - 1));
  const std::int64_t at = addressAt(point);
  if (at >= 0) cursor_ = at;
  viewport()->update();
}

void HexPane::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return copy();
  if (event->matches(QKeySequence::SelectAll) && bytes_ && bytes_->rowCount() > 0) {
    return selectBytes(bytes_->rowAddress(0),
                       bytes_->rowAddress(bytes_->rowCount() - 1) + BlockBytes::kRowBytes - 1);
  }
  const std::int64_t first = firstVisibleRow();
  switch (event->key()) {
    case Qt::Key_Up:
      return scrollToRow(first - 1);
    case Qt::Key_Down:
      return scrollToRow(first + 1);
    case Qt::Key_PageUp:
      return scrollToRow(first - visibleRows());
    case Qt::Key_PageDown:
      return scrollToRow(first + visibleRows());
    case Qt::Key_Home:
      return scrollToRow(0);
    case Qt::Key_End:
      return scrollToRow(verticalScrollBar()->maximum());
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace hm
