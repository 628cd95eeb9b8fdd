#pragma once

#include "app/qt/viewer_placement.h"
#include "blocks/block_bytes.h"

#include <array>

#include <QStringList>
#include <QWidget>

class QGridLayout;
class QLabel;

namespace hm {

class HexPane;

// The window "Байты блока": the range of a block over its bytes, in two panes kept in step
// (source beside target) or in one (what a line of a DIF being edited will write). It stays
// open beside the main window, which tells it what to show; Esc closes it.
class ByteViewer : public QWidget {
  Q_OBJECT
 public:
  explicit ByteViewer(QWidget* owner);

  // One caption per pane: two for the compare view, one for a DIF line. Showing the same block
  // again, as after an edit elsewhere in the list, keeps where the panes were scrolled to.
  void showBytes(BlockBytes bytes, const QStringList& captions);

  // Lays the panes out side by side or one above the other, each `rows` rows high.
  void arrange(const ViewerLayout& layout);
  const ViewerLayout& arrangement() const { return layout_; }
  // The size the window takes in `layout` with both panes shown, the widest it gets.
  QSize sizeFor(const ViewerLayout& layout) const;

  const BlockBytes& bytes() const { return bytes_; }
  HexPane* pane(int index) const { return panes_[static_cast<std::size_t>(index)]; }
  QLabel* caption(int index) const { return captions_[static_cast<std::size_t>(index)]; }
  QLabel* summary() const { return lRange_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // A hidden viewer lets go of what it showed: the images of the last search among them.
  void hideEvent(QHideEvent* event) override;

 private:
  bool sameView(const BlockBytes& next, const QStringList& captions) const;

  int paneHeight(int rows) const;

  BlockBytes bytes_;
  QStringList shownCaptions_;
  ViewerLayout layout_;
  QGridLayout* grid_ = nullptr;
  QLabel* lRange_ = nullptr;
  std::array<QLabel*, 2> captions_{};
  std::array<HexPane*, 2> panes_{};
};

}  // namespace hm
