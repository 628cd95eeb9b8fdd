#pragma once

#include "blocks/block_bytes.h"

#include <cstdint>

#include <QAbstractScrollArea>

class QPainter;

namespace hm {

// One lane of a block's bytes, read-only, in rows of an address, 16 bytes in hexadecimal and
// the same bytes as text. Only the rows on screen are read and painted. The bytes around the
// block are dimmed, changed bytes highlighted. A byte range is selected with the mouse (Shift
// extends it) or Ctrl+A, and Ctrl+C copies it as hexadecimal text; the arrow, page and Home/End
// keys scroll. The vertical scroll bar counts rows, so two panes are kept in step through it.
class HexPane : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit HexPane(QWidget* parent = nullptr);

  // Shows lane `lane` of `bytes`, which must stay alive and unchanged while shown (the viewer
  // owns it); nullptr shows nothing. The selection is dropped.
  void setBytes(const BlockBytes* bytes, int lane);

  // The selected addresses, first <= last; first > last when nothing is selected.
  std::int64_t selectionFirst() const { return std::min(anchor_, cursor_); }
  std::int64_t selectionLast() const { return std::max(anchor_, cursor_); }
  bool hasSelection() const { return anchor_ >= 0; }
  void selectBytes(std::int64_t first, std::int64_t last);
  // The selection as hexadecimal text, and onto the clipboard.
  QString selectedText() const;
  void copy() const;

  int rowHeight() const;
  int visibleRows() const;
  std::int64_t firstVisibleRow() const;
  void scrollToRow(std::int64_t row);
  // The address under a point of the viewport, over the hexadecimal or the text column; -1 where
  // there is none.
  std::int64_t addressAt(QPoint point) const;
  // The width that shows a whole row and the scroll bar.
  int rowWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void paintRow(QPainter& painter, std::int64_t row, int y);
  void updateScrollRange();
  qreal charWidth() const;
  int hexColumn(int cell) const;
  int textColumn(int cell) const;

  const BlockBytes* bytes_ = nullptr;
  int lane_ = 0;
  std::int64_t anchor_ = -1;
  std::int64_t cursor_ = -1;
};

}  // namespace hm
