#pragma once

namespace hm {

// Windows and dialogs are designed in twips, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

}  // namespace hm
