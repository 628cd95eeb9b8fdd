#include "app/qt/block_bytes_command.h"

#include "app/qt/byte_viewer.h"
#include "app/session.h"
#include "platform/user_texts.h"

#include <algorithm>

#include <QScreen>
#include <QWidget>

namespace hm {

namespace {

constexpr int kGapPixels = 8;

QStringList compareCaptions() {
  return {QString::fromUtf8(kSourcePaneText), QString::fromUtf8(kTargetPaneText)};
}

// A DIF line's bytes come from its data file or from the DIF itself.
QStringList difCaption(std::string_view line) {
  const DataSource source = readDataSource(line);
  if (source.path.empty()) return {QString::fromUtf8(kDifPaneText)};
  return {QString::fromStdString(dataPaneCaption(source.path, source.offset))};
}

}  // namespace

BlockBytesCommand::BlockBytesCommand(Session& session, FileSystem& fs, QWidget* owner)
    : session_(session), finder_(session, fs), owner_(owner) {}

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
  viewer_->show();
  if (!placed_) placeBesideOwner();
  placed_ = true;
  follow(false);
  viewer_->raise();
  viewer_->activateWindow();
}

// To the right of the main window where the screen has room, else below it, else as near as the
// screen allows.
void BlockBytesCommand::placeBesideOwner() {
  const QRect frame = owner_->frameGeometry();
  const QScreen* screen = owner_->screen();
  if (!screen) return viewer_->move(frame.right() + kGapPixels, frame.top());
  const QRect room = screen->availableGeometry();
  const QSize size = viewer_->frameGeometry().size();
  QPoint at(frame.right() + kGapPixels, frame.top());
  if (at.x() + size.width() > room.right() &&
      frame.bottom() + kGapPixels + size.height() <= room.bottom()) {
    at = QPoint(frame.left(), frame.bottom() + kGapPixels);
  }
  at.setX(std::max(room.left(), std::min(at.x(), room.right() - size.width())));
  at.setY(std::max(room.top(), std::min(at.y(), room.bottom() - size.height())));
  viewer_->move(at);
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
                       editing ? QStringList{QString::fromUtf8(kDifPaneText)} : compareCaptions());
    return;
  }
  const std::string_view line = list.text(list.caret());
  viewer_->showBytes(finder_.find(line), editing ? difCaption(line) : compareCaptions());
}

}  // namespace hm
