#include "app/qt/block_bytes_command.h"

#include "app/qt/byte_viewer.h"
#include "app/qt/viewer_placement.h"
#include "app/session.h"
#include "platform/qt/qt_text.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QScreen>
#include <QWidget>

namespace hm {

namespace {

QStringList compareCaptions() {
  return {qt(kSourcePaneText), qt(kTargetPaneText)};
}

// A DIF line's bytes come from its data file or from the DIF itself.
QStringList difCaption(std::string_view line) {
  const DataSource source = readDataSource(line);
  if (source.path.empty()) return {qt(kDifPaneText)};
  return {qt(dataPaneCaption(source.path, source.offset))};
}

}  // namespace

BlockBytesCommand::BlockBytesCommand(Session& session, FileSystem& fs, QWidget* owner,
                                     QWidget* list)
    : session_(session), finder_(session, fs), owner_(owner), list_(list) {}

ByteViewer* BlockBytesCommand::viewer() const {
  return viewer_;
}

void BlockBytesCommand::prepare() {
  if (viewer_) return;
  viewer_ = new ByteViewer(owner_);
  viewer_->ensurePolished();
  viewer_->adjustSize();
  viewer_->winId();
}

void BlockBytesCommand::open() {
  prepare();
  if (!placed_) placeBesideOwner();
  placed_ = true;
  viewer_->show();
  follow(false);
  viewer_->raise();
  viewer_->activateWindow();
}

// Beside the main window where the screen has room, never over the list it follows.
void BlockBytesCommand::placeBesideOwner() {
  const QScreen* screen = owner_->screen();
  if (!screen) return;
  const QRect frame = owner_->frameGeometry();
  const QRect inside = owner_->geometry();
  const QMargins decoration(inside.left() - frame.left(), inside.top() - frame.top(),
                            frame.right() - inside.right(), frame.bottom() - inside.bottom());
  const QRect list(list_->mapToGlobal(QPoint(0, 0)), list_->size());
  const ViewerPlace place =
      placeViewer(frame, list, screen->availableGeometry(), decoration,
                  [this](const ViewerLayout& layout) { return viewer_->sizeFor(layout); });
  // Only where the screen leaves no room beside it does the main window move.
  if (place.mainMovedTo) owner_->move(*place.mainMovedTo);
  viewer_->arrange(place.layout);
  // A window not yet shown has no frame to place: its inside goes where the frame's will be,
  // and the window manager puts the frame around it.
  viewer_->move(place.frame.topLeft() + QPoint(decoration.left(), decoration.top()));
}

void BlockBytesCommand::follow(bool searching) {
  if (!viewer_ || !viewer_->isVisible()) return;
  const bool editing = session_.editingDif();
  if (searching) {
    viewer_->showBytes(BlockBytes::unavailable(kBytesWhileSearchingText), compareCaptions());
    return;
  }
  const BlockList& list = session_.blocks();
  if (list.caret() < 0 || list.caret() >= list.count()) {
    viewer_->showBytes(BlockBytes::unavailable(kNoBlockText),
                       editing ? QStringList{qt(kDifPaneText)} : compareCaptions());
    return;
  }
  const std::string line = list.text(list.caret());
  viewer_->showBytes(finder_.find(line), editing ? difCaption(line) : compareCaptions());
}

}  // namespace hm
