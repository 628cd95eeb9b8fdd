#include "blocks/tab_stops.h"

#include <cmath>

namespace hm {

namespace {

// The first multiple of `spacing` pixels to the right of x.
int nextMultiple(int x, int spacing) {
  if (x < 0) return 0;
  return (x / spacing + 1) * spacing;
}

}  // namespace

std::vector<int> tabStopsFor(std::span<const int> rightEdges) {
  std::vector<int> stops;
  if (rightEdges.size() < 2) return stops;
  stops.reserve(rightEdges.size() - 1);
  for (std::size_t i = 0; i + 1 < rightEdges.size(); ++i) {
    stops.push_back(static_cast<int>(std::floor(rightEdges[i] / 1.5 + 0.5)));
  }
  return stops;
}

int nextTabStop(int x, std::span<const int> stops) {
  if (stops.size() == 1 && stops[0] > 0) return nextMultiple(x, tabStopPixels(stops[0]));
  if (stops.size() > 1) {
    for (int stop : stops) {
      int pixels = tabStopPixels(stop);
      if (pixels > x) return pixels;
    }
  }
  return nextMultiple(x, tabStopPixels(kDefaultTabStop));
}

}  // namespace hm
