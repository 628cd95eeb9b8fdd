#include "app/qt/viewer_placement.h"

#include <algorithm>
#include <optional>

namespace hm {

namespace {

constexpr int kGap = 8;

// The frame of the viewer in `layout`, at the origin.
QRect frameFor(const ViewerLayout& layout, const QMargins& decoration,
               const std::function<QSize(const ViewerLayout&)>& sizeOf) {
  return QRect(QPoint(0, 0), sizeOf(layout)).marginsAdded(decoration);
}

// The most rows (from kViewerMostRows down) with which a frame fits `room`, or nothing.
std::optional<ViewerPlace> fitting(const QSize& room, bool stacked, const QMargins& decoration,
                                   const std::function<QSize(const ViewerLayout&)>& sizeOf) {
  for (int rows = kViewerMostRows; rows >= kViewerFewestRows; rows -= 2) {
    const ViewerLayout layout{stacked, rows};
    const QRect frame = frameFor(layout, decoration, sizeOf);
    if (frame.width() > room.width()) return std::nullopt;
    if (frame.height() <= room.height()) return ViewerPlace{layout, frame, std::nullopt};
  }
  return std::nullopt;
}

int clampTo(int value, int low, int high) {
  return std::max(low, std::min(value, high));
}

// A free stretch of the screen beside the main window, and where a frame of a given size goes
// in it.
struct Side {
  QRect room;
  std::function<QPoint(const QSize& frame)> origin;
};

std::optional<ViewerPlace> placeBeside(const QRect& mainFrame, const QRect& list,
                                       const QRect& screen, const QMargins& decoration,
                                       const std::function<QSize(const ViewerLayout&)>& sizeOf) {
  auto alongY = [&](const QSize& f) {
    return clampTo(mainFrame.top(), screen.top(), screen.bottom() + 1 - f.height());
  };
  auto alongX = [&](const QSize& f) {
    return clampTo(mainFrame.left(), screen.left(), screen.right() + 1 - f.width());
  };
  const Side sides[] = {
      {QRect(QPoint(mainFrame.right() + 1 + kGap, screen.top()), screen.bottomRight()),
       [&](const QSize& f) { return QPoint(mainFrame.right() + 1 + kGap, alongY(f)); }},
      {QRect(screen.topLeft(), QPoint(mainFrame.left() - 1 - kGap, screen.bottom())),
       [&](const QSize& f) { return QPoint(mainFrame.left() - kGap - f.width(), alongY(f)); }},
      {QRect(QPoint(screen.left(), mainFrame.bottom() + 1 + kGap), screen.bottomRight()),
       [&](const QSize& f) { return QPoint(alongX(f), mainFrame.bottom() + 1 + kGap); }},
      {QRect(screen.topLeft(), QPoint(screen.right(), mainFrame.top() - 1 - kGap)),
       [&](const QSize& f) { return QPoint(alongX(f), mainFrame.top() - kGap - f.height()); }},
      // Over the window, but not over its list.
      {QRect(QPoint(list.right() + 1 + kGap, screen.top()), screen.bottomRight()),
       [&](const QSize& f) { return QPoint(list.right() + 1 + kGap, alongY(f)); }},
      {QRect(screen.topLeft(), QPoint(list.left() - 1 - kGap, screen.bottom())),
       [&](const QSize& f) { return QPoint(list.left() - kGap - f.width(), alongY(f)); }},
  };
  for (const Side& side : sides) {
    for (const bool stacked : {false, true}) {
      std::optional<ViewerPlace> place = fitting(side.room.size(), stacked, decoration, sizeOf);
      if (!place) continue;
      place->frame.moveTopLeft(side.origin(place->frame.size()));
      return place;
    }
  }
  return std::nullopt;
}

}  // namespace

ViewerPlace placeViewer(const QRect& mainFrame, const QRect& list, const QRect& screen,
                        const QMargins& decoration,
                        const std::function<QSize(const ViewerLayout&)>& sizeOf) {
  if (std::optional<ViewerPlace> place = placeBeside(mainFrame, list, screen, decoration, sizeOf)) {
    return *place;
  }
  // Room made by moving the main window to the top of the screen, else to its left edge.
  for (const QPoint to : {QPoint(mainFrame.left(), screen.top()),
                          QPoint(screen.left(), mainFrame.top()), screen.topLeft()}) {
    const QPoint by = to - mainFrame.topLeft();
    if (by.isNull()) continue;
    std::optional<ViewerPlace> place =
        placeBeside(mainFrame.translated(by), list.translated(by), screen, decoration, sizeOf);
    if (!place) continue;
    place->mainMovedTo = to;
    return *place;
  }
  // A screen smaller than both windows: the smallest layout, to the right, kept on the screen.
  ViewerPlace place{{true, kViewerFewestRows}, {}, std::nullopt};
  place.frame = frameFor(place.layout, decoration, sizeOf);
  place.frame.moveTopLeft(
      QPoint(clampTo(mainFrame.right() + 1 + kGap, screen.left(),
                     screen.right() + 1 - place.frame.width()),
             clampTo(mainFrame.top(), screen.top(), screen.bottom() + 1 - place.frame.height())));
  return place;
}

}  // namespace hm
