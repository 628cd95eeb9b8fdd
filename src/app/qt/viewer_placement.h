#pragma once

#include <functional>
#include <optional>

#include <QMargins>
#include <QRect>
#include <QSize>

namespace hm {

// How the byte viewer lays out its two panes: side by side, or one above the other when the
// screen is narrow, each showing `rows` rows of 16 bytes.
struct ViewerLayout {
  bool stacked = false;
  int rows = 0;
};

struct ViewerPlace {
  ViewerLayout layout;
  QRect frame;  // the window's frame on the screen, its decoration included
  // Where the main window moves to make room, when it must.
  std::optional<QPoint> mainMovedTo;
};

inline constexpr int kViewerMostRows = 20;
inline constexpr int kViewerFewestRows = 6;

// Where the viewer opens: beside the main window (right, then left, then below, then above)
// with as many rows as fit, up to kViewerMostRows; side by side where that fits, else stacked.
// Where nothing fits beside the window, over the window's parts right of the list or left of
// it, never over the list itself; where not even that fits, the main window moves to the top or
// the left of the screen to make room below or beside it; only where nothing helps (a screen
// smaller than both windows) the viewer goes as near as the screen allows. `sizeOf` tells the
// viewer's size (without decoration) for a layout; `decoration` is what the window manager adds
// around it.
ViewerPlace placeViewer(const QRect& mainFrame, const QRect& list, const QRect& screen,
                        const QMargins& decoration,
                        const std::function<QSize(const ViewerLayout&)>& sizeOf);

}  // namespace hm
