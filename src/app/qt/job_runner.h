#pragma once

#include "blocks/recalc.h"

#include <atomic>
#include <functional>
#include <thread>

#include <QObject>

namespace hm {

class JobRunner;

// What long work sees of the runner: whether it is asked to stop, and a way to hand the window
// something to do on its own thread (progress texts).
class JobControl {
 public:
  explicit JobControl(JobRunner& runner) : runner_(runner) {}
  bool stopRequested() const;
  KeepGoing keepGoing() const {
    return [this] { return !stopRequested(); };
  }
  void post(std::function<void()> task) const;

 private:
  JobRunner& runner_;
};

// How a piece of work ended.
enum class JobEnd { Done, Stopped, OutOfMemory };

// Runs one piece of long work at a time on a thread of its own, so the window's event loop keeps
// turning; when the work has ended, its `finish` runs on the window's thread. The work reads what
// the window leaves alone while it runs and builds its result aside; `finish` puts the result in
// place.
class JobRunner : public QObject {
  Q_OBJECT
 public:
  using Work = std::function<void(JobControl&)>;
  using Finish = std::function<void(JobEnd)>;

  JobRunner() = default;
  // Asks running work to stop and waits for its thread: nothing it reads may go before it.
  ~JobRunner() override;

  // False, doing nothing, while other work runs.
  bool start(Work work, Finish finish);
  // Asks the running work to stop at its next look; `finish` still runs.
  void stop() { stop_ = true; }
  bool running() const { return running_; }
  // Turns the event loop until the running work has ended and its `finish` has run.
  void wait();
  // Stops the running work and waits for its thread, without its `finish`: for an owner that is
  // going away and must not free what the work reads before it has ended.
  void abandon();

 signals:
  // After each `finish`.
  void finished();

 private:
  friend class JobControl;
  void ended(unsigned job, JobEnd end);

  std::thread thread_;
  unsigned job_ = 0;  // which work a report of its end belongs to
  std::atomic<bool> stop_ = false;
  bool running_ = false;
  Finish finish_;
};

}  // namespace hm
