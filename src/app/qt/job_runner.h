#pragma once

#include "app/jobs.h"

#include <atomic>
#include <functional>
#include <thread>

#include <QObject>

namespace hm {

// Runs one piece of long work at a time on a thread of its own, so the window's event loop keeps
// turning; when the work has ended, its `finish` runs on the window's thread, and what the work
// posts (progress texts) runs there too, in order.
class JobRunner : public QObject, public Jobs {
  Q_OBJECT
 public:
  JobRunner() = default;
  // Asks running work to stop and waits for its thread: nothing it reads may go before it.
  ~JobRunner() override;

  bool start(Work work, Finish finish) override;
  void stop() override { stop_ = true; }
  bool running() const override { return running_; }
  // Turns the event loop until the running work has ended and its `finish` has run.
  void wait() override;
  // Stops the running work and waits for its thread, without its `finish`: for an owner that is
  // going away and must not free what the work reads before it has ended.
  void abandon();

 signals:
  // After each `finish`.
  void finished();

 private:
  class Control;
  void ended(unsigned job, JobEnd end);

  std::thread thread_;
  unsigned job_ = 0;  // which work a report of its end belongs to
  std::atomic<bool> stop_ = false;
  bool running_ = false;
  Finish finish_;
};

}  // namespace hm
