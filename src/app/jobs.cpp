#include "app/jobs.h"

#include <new>

namespace hm {

namespace {

class InlineControl : public JobControl {
 public:
  explicit InlineControl(const bool& stop) : stop_(stop) {}
  bool stopRequested() const override { return stop_; }
  void post(std::function<void()> task) const override { task(); }

 private:
  const bool& stop_;
};

}  // namespace

bool InlineJobs::start(Work work, Finish finish) {
  if (running_) return false;
  running_ = true;
  stop_ = false;
  JobEnd end = JobEnd::Done;
  try {
    InlineControl control(stop_);
    work(control);
  } catch (const std::bad_alloc&) {
    end = JobEnd::OutOfMemory;
  }
  if (end == JobEnd::Done && stop_) end = JobEnd::Stopped;
  running_ = false;
  finish(end);
  return true;
}

}  // namespace hm
