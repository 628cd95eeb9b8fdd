#pragma once

#include "platform/twips.h"

// Design positions of the main window's controls, in twips (15 to a pixel), relative to the
// control's container: Lst1 sits inside Frame1, everything else on the window's surface.
namespace hm::layout {

struct Place {
  int left, top, width, height;
};

inline constexpr Place kSurface{0, 0, 11100, 7050};

inline constexpr Place kbSplit{8700, 1770, 2190, 420};
inline constexpr Place kbAdd{8700, 2280, 2190, 420};
inline constexpr Place kbDel{8700, 2790, 2190, 420};
inline constexpr Place kCheck1{8700, 4440, 2190, 330};
inline constexpr Place kbDIF{8700, 4860, 2190, 480};
inline constexpr Place kbCancel{2790, 1140, 1500, 420};
inline constexpr Place ktbyteWith{6660, 1170, 660, 360};
inline constexpr Place kbyteWith{7350, 1140, 270, 420};
inline constexpr Place kFrame1{120, 1680, 8400, 4770};
inline constexpr Place kLst1{90, 360, 8220, 4320};
inline constexpr Place kbSer{120, 1140, 2550, 420};
inline constexpr Place kCommand2{8040, 615, 2850, 390};
inline constexpr Place kCommand1{8040, 135, 2850, 390};
inline constexpr Place koutFile{120, 630, 7800, 360};
inline constexpr Place kinFile{120, 150, 7800, 360};
inline constexpr Place kcBW{7710, 1170, 1050, 360};
inline constexpr Place kLabel1{4950, 1230, 1650, 300};
inline constexpr Place klStat{120, 6600, 10770, 330};

// The header sits directly above the list, 16 pixels high.
inline constexpr int kHeaderHeightPixels = 16;

}  // namespace hm::layout
