#pragma once

#include <span>
#include <vector>

namespace hm {

// The list's tab stops under a header: for every column but the last, its right edge in pixels
// divided by 1.5 and rounded. Fewer than two columns give none (the list's default stops).
std::vector<int> tabStopsFor(std::span<const int> rightEdges);

// Where a stop in list units falls in pixels (1.5 pixels a unit).
inline int tabStopPixels(int stop) {
  return (stop * 3 + 1) / 2;
}

// The default stops when none are set: every 32 units.
inline constexpr int kDefaultTabStop = 32;

// Where a tab at pixel `x` takes the text: the first stop to the right of x. No stops means a
// stop every kDefaultTabStop units and a single stop a stop every that many units; past the
// last of several stops the default spacing carries on.
int nextTabStop(int x, std::span<const int> stops);

}  // namespace hm
