#include "platform/clock.h"

#include <chrono>

namespace hm {

namespace {

class SteadyClock : public Clock {
 public:
  Tick now() override {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<Tick>(ms.count());
  }
};

}  // namespace

Clock& systemClock() {
  static SteadyClock clock;
  return clock;
}

}  // namespace hm
