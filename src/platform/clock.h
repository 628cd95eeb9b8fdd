#pragma once

#include <cstdint>

namespace hm {

// Milliseconds since an arbitrary start, wrapping after about 49.7 days like a system tick count.
using Tick = std::uint32_t;

// Time since `from`, correct across one wrap of the counter.
inline std::uint32_t elapsedSince(Tick from, Tick now) {
  return static_cast<std::uint32_t>(now - from);
}

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Tick now() = 0;
};

// The process-wide monotonic clock.
Clock& systemClock();

// A clock that only moves when a test moves it.
class ManualClock : public Clock {
 public:
  explicit ManualClock(Tick start = 0) : now_(start) {}
  Tick now() override { return now_; }
  void set(Tick t) { now_ = t; }
  void advance(std::uint32_t ms) { now_ += ms; }

 private:
  Tick now_;
};

}  // namespace hm
