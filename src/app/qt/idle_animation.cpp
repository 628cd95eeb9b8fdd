#include "app/qt/idle_animation.h"

#include "resources/form1_layout.h"

#include <QTimer>
#include <QWidget>

namespace hm {

namespace {

constexpr std::uint32_t kIdleThresholdMs = 300000;
constexpr int kTimerIdleMs = 2000;
constexpr int kTimerFallingMs = 5;
constexpr int kFallStepTwips = 30;

}  // namespace

IdleAnimation::IdleAnimation(QWidget* window, std::vector<QWidget*> controls, QTimer* timer,
                             Clock& clock)
    : QObject(window),
      window_(window),
      controls_(std::move(controls)),
      timer_(timer),
      clock_(clock) {
  connect(timer_, &QTimer::timeout, this, &IdleAnimation::Timer1_Timer);
  timer_->start();
}

void IdleAnimation::saveTops() {
  savedTops_.assign(controls_.size() + 1, 0);
  lastTick_ = clock_.now();
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i]) savedTops_[i] = static_cast<std::int16_t>(controls_[i]->y() * kTwipsPerPixel);
  }
}

void IdleAnimation::restartClock() {
  lastTick_ = clock_.now();
}

void IdleAnimation::Timer1_Timer() {
  if (elapsedSince(lastTick_, clock_.now()) < kIdleThresholdMs) {
    timer_->setInterval(kTimerIdleMs);
    return;
  }
  timer_->setInterval(kTimerFallingMs);
  const int outerHeight = window_->frameGeometry().height() * kTwipsPerPixel;
  for (QWidget* w : controls_) {
    if (!w || w->isHidden()) continue;
    if (w->y() * kTwipsPerPixel < outerHeight) {
      w->move(w->x(), w->y() + kFallStepTwips / kTwipsPerPixel);
      return;
    }
  }
}

void IdleAnimation::Form_Click() {
  restartClock();
  restoreTops();
}

void IdleAnimation::restoreTops() {
  for (std::size_t i = 0; i < controls_.size() && i < savedTops_.size(); ++i) {
    if (QWidget* w = controls_[i]) w->move(w->x(), savedTops_[i] / kTwipsPerPixel);
  }
}

void IdleAnimation::release() {
  savedTops_.clear();
}

}  // namespace hm
