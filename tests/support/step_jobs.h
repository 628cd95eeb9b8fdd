#pragma once

#include "app/jobs.h"

#include <optional>
#include <utility>

namespace hm::test {

// Holds each piece of work until the test runs it, so that the test can act while it is under
// way as the user would while the window's thread runs it: ask for another distance, cancel,
// look at the controls. What the work posts is done at once.
class StepJobs : public Jobs {
 public:
  bool start(Work work, Finish finish) override {
    if (running_) return false;
    running_ = true;
    stop_ = false;
    work_ = std::move(work);
    finish_ = std::move(finish);
    return true;
  }
  void stop() override { stop_ = true; }
  bool running() const override { return running_; }
  void wait() override {
    while (running_) runOne();
  }

  bool stopRequested() const { return stop_; }

  // Runs the waiting work and its finish; `end` replaces how it would have ended (an
  // allocation that failed half-way).
  void runOne(std::optional<JobEnd> end = std::nullopt) {
    Work work = std::move(work_);
    Finish finish = std::move(finish_);
    Control control(stop_);
    work(control);
    running_ = false;
    finish(end ? *end : stop_ ? JobEnd::Stopped : JobEnd::Done);
  }

 private:
  class Control : public JobControl {
   public:
    explicit Control(const bool& stop) : stop_(stop) {}
    bool stopRequested() const override { return stop_; }
    void post(std::function<void()> task) const override { task(); }

   private:
    const bool& stop_;
  };

  bool running_ = false;
  bool stop_ = false;
  Work work_;
  Finish finish_;
};

}  // namespace hm::test
