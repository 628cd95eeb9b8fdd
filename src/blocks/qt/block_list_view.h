#pragma once

#include "blocks/block_list.h"

#include <vector>

#include <QAbstractScrollArea>

class QPainter;

namespace hm {

// The block list box: several lines selectable, a caret line, each tab-separated field drawn
// from its tab stop. It paints the visible lines straight from the BlockList, where the
// selection and the caret live too, so no change costs more than the lines on screen, however
// many there are. Every line has the same height; the vertical scroll bar counts lines.
//
// Clicks and keys select as an extended-selection list box does: a click selects one line,
// Ctrl+click adds or drops a line, Shift+click and Shift with the arrow, page and Home/End keys
// select from the anchor line, Ctrl moves the caret alone and Ctrl+Space toggles its line,
// Ctrl+A selects every line.
class BlockListView : public QAbstractScrollArea, private BlockListObserver {
  Q_OBJECT
 public:
  explicit BlockListView(BlockList& list, QWidget* parent = nullptr);
  ~BlockListView() override;

  BlockList& list() { return list_; }

  // Stops in list units (1.5 pixels each); empty returns to the default stops.
  void setTabStops(std::vector<int> stops);
  const std::vector<int>& tabStops() const { return stops_; }

  // Selects exactly these rows and puts the caret on `caret`; -1 leaves the caret where it is.
  // Rows outside the list are ignored (tests and commands).
  void selectRows(const std::vector<int>& rows, int caret = -1);

  // While frozen, clicks and keys leave the selection and the caret alone, because work on
  // another thread is reading the list; scrolling still works.
  void setFrozen(bool frozen) { frozen_ = frozen; }
  bool frozen() const { return frozen_; }

  // Geometry in the viewport's coordinates.
  int rowHeight() const;
  QRect visualRect(int row) const;
  int rowAt(int y) const;  // -1 where no line is
  int firstVisibleRow() const;
  // Scrolls the least that brings the line into view.
  void scrollToRow(int row);
  void scrollToBottom();

  // A line's text as it is shown.
  QString lineText(int row) const;

 signals:
  // A press on a line with the left button.
  void pressed(int row);
  void doubleClicked(int row);
  // The caret went to another line by a click, a key or selectRows(); changes of the list itself
  // are not reported here.
  void caretMoved(int row);

 protected:
  // Paints one line into `rect`; the rest of a paint is the empty background.
  virtual void paintRow(QPainter& painter, int row, const QRect& rect);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Reports a caret moved by the handler it lives in.
  class CaretWatch {
   public:
    explicit CaretWatch(BlockListView& view) : view_(view), before_(view.list_.caret()) {}
    ~CaretWatch() {
      if (view_.list_.caret() != before_) emit view_.caretMoved(view_.list_.caret());
    }
    CaretWatch(const CaretWatch&) = delete;
    CaretWatch& operator=(const CaretWatch&) = delete;

   private:
    BlockListView& view_;
    int before_;
  };

  // BlockListObserver: whatever changed, the visible lines are painted again.
  void aboutToInsert(int, int) override {}
  void inserted() override { followList(); }
  void aboutToRemove(int, int) override {}
  void removed() override { followList(); }
  void changed(int row) override;
  void aboutToReset() override {}
  void reset() override { followList(); }

  void followList();
  void updateScrollRange();
  int visibleRows() const;
  void select(int row, Qt::KeyboardModifiers modifiers);
  void selectFromAnchor(int row, bool keepOthers);
  int keyTarget(int key) const;

  BlockList& list_;
  std::vector<int> stops_;
  int anchor_ = -1;
  bool frozen_ = false;
};

}  // namespace hm
