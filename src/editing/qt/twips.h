#pragma once

#include "platform/twips.h"

#include <QRect>
#include <QWidget>

namespace hm {

inline QRect twipsRect(int left, int top, int width, int height) {
  return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
               height / kTwipsPerPixel);
}

inline void placeInTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(twipsRect(left, top, width, height));
}

}  // namespace hm
