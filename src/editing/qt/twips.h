#pragma once

#include <QRect>
#include <QWidget>

namespace hm {

// The dialogs are designed in twips, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

inline void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace hm
