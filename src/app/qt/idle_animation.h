#pragma once

#include "platform/clock.h"

#include <cstdint>
#include <vector>

#include <QObject>

class QTimer;
class QWidget;

namespace hm {

// After five minutes without activity the window's controls drop out of it one after another,
// two pixels every 5 ms, until a click on the window's free area puts them back.
class IdleAnimation : public QObject {
  Q_OBJECT
 public:
  // `controls` in control order, nullptr where the timer stands; `timer` ticks the animation,
  // which starts it.
  IdleAnimation(QWidget* window, std::vector<QWidget*> controls, QTimer* timer, Clock& clock);

  // Takes every control's top as the place to come back to, and starts the idle clock.
  void saveTops();
  // Activity: the idle clock starts again.
  void restartClock();
  // One tick of the timer.
  void Timer1_Timer();
  // Every control goes back to its saved place.
  void restoreTops();
  // A click on the window's free area: everything comes back and the clock starts again.
  void Form_Click();
  // A click in the list stops the fall where it is.
  void Lst1_Click() { restartClock(); }
  void release();

  Tick lastTick() const { return lastTick_; }
  const std::vector<QWidget*>& controls() const { return controls_; }
  // In twips, indexed by control order; one entry more than there are controls.
  const std::vector<std::int16_t>& savedTops() const { return savedTops_; }

 private:
  QWidget* window_;
  std::vector<QWidget*> controls_;
  QTimer* timer_;
  Clock& clock_;
  std::vector<std::int16_t> savedTops_;
  Tick lastTick_ = 0;
};

}  // namespace hm
