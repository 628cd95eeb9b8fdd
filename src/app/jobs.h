#pragma once

#include "blocks/recalc.h"

#include <functional>

namespace hm {

// What long work sees of the runner that runs it: whether it is asked to stop, and a way to hand
// the owner of the session something to do where the session may be changed (progress texts).
class JobControl {
 public:
  virtual ~JobControl() = default;
  virtual bool stopRequested() const = 0;
  virtual void post(std::function<void()> task) const = 0;
  KeepGoing keepGoing() const {
    return [this] { return !stopRequested(); };
  }
};

// How a piece of work ended.
enum class JobEnd { Done, Stopped, OutOfMemory };

// Runs one piece of long work at a time. The window runs it on a thread of its own so that its
// event loop keeps turning; the command line runs it where it stands. The work reads what nothing
// changes while it runs and builds its result aside; `finish`, where the session may be changed
// again, puts the result in place.
class Jobs {
 public:
  using Work = std::function<void(JobControl&)>;
  using Finish = std::function<void(JobEnd)>;

  virtual ~Jobs() = default;
  // False, doing nothing, while other work runs.
  virtual bool start(Work work, Finish finish) = 0;
  // Asks the running work to stop at its next look; `finish` still runs.
  virtual void stop() = 0;
  virtual bool running() const = 0;
  // Returns once the running work has ended and its `finish` has run.
  virtual void wait() = 0;
};

// Runs each piece of work to its end inside start(), `finish` included: for the command line
// and for tests of the commands.
class InlineJobs : public Jobs {
 public:
  bool start(Work work, Finish finish) override;
  void stop() override { stop_ = true; }
  bool running() const override { return running_; }
  void wait() override {}

 private:
  bool stop_ = false;
  bool running_ = false;
};

}  // namespace hm
