#include "app/qt/distance_controls.h"

#include <QMouseEvent>

namespace hm {

DistanceScrollBar::DistanceScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {
  // The lowest value sits at the bottom; the keys and the wheel move towards the top for more.
  setInvertedAppearance(true);
  setInvertedControls(false);
  connect(this, &QAbstractSlider::actionTriggered, this, &DistanceScrollBar::reverseMouseStep);
}

void DistanceScrollBar::mousePressEvent(QMouseEvent* event) {
  mouseHeld_ = true;
  QScrollBar::mousePressEvent(event);
}

void DistanceScrollBar::mouseReleaseEvent(QMouseEvent* event) {
  QScrollBar::mouseReleaseEvent(event);
  mouseHeld_ = false;
}

// A scroll bar's top arrow and the trough above the thumb step down, whatever way it is drawn.
// Under the mouse those steps are turned round, so the arrow pointing up means more.
void DistanceScrollBar::reverseMouseStep(int action) {
  if (!mouseHeld_) return;
  switch (action) {
    case SliderSingleStepAdd:
      setSliderPosition(value() - singleStep());
      break;
    case SliderSingleStepSub:
      setSliderPosition(value() + singleStep());
      break;
    case SliderPageStepAdd:
      setSliderPosition(value() - pageStep());
      break;
    case SliderPageStepSub:
      setSliderPosition(value() + pageStep());
      break;
    default:
      break;
  }
}

DistanceValidator::DistanceValidator(int highest, QObject* parent)
    : QValidator(parent), highest_(highest) {}

QValidator::State DistanceValidator::validate(QString& input, int&) const {
  if (input.isEmpty()) return Intermediate;
  if (input.size() > 3) return Invalid;
  for (QChar c : input) {
    if (c < u'0' || c > u'9') return Invalid;
  }
  return input.toInt() <= highest_ ? Acceptable : Invalid;
}

}  // namespace hm
