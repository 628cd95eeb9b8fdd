#include "app/qt/job_runner.h"

#include <new>

#include <QEventLoop>
#include <QMetaObject>

namespace hm {

class JobRunner::Control : public JobControl {
 public:
  explicit Control(JobRunner& runner) : runner_(runner) {}
  bool stopRequested() const override { return runner_.stop_; }
  void post(std::function<void()> task) const override {
    QMetaObject::invokeMethod(&runner_, std::move(task), Qt::QueuedConnection);
  }

 private:
  JobRunner& runner_;
};

JobRunner::~JobRunner() {
  abandon();
}

void JobRunner::abandon() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  running_ = false;
  finish_ = nullptr;
  ++job_;
}

bool JobRunner::start(Work work, Finish finish) {
  if (running_) return false;
  running_ = true;
  stop_ = false;
  finish_ = std::move(finish);
  const unsigned job = ++job_;
  thread_ = std::thread([this, job, work = std::move(work)] {
    JobEnd end = JobEnd::Done;
    try {
      Control control(*this);
      work(control);
    } catch (const std::bad_alloc&) {
      end = JobEnd::OutOfMemory;
    }
    if (end == JobEnd::Done && stop_) end = JobEnd::Stopped;
    QMetaObject::invokeMethod(
        this, [this, job, end] { ended(job, end); }, Qt::QueuedConnection);
  });
  return true;
}

void JobRunner::ended(unsigned job, JobEnd end) {
  // An abandoned work's report comes after its thread was waited for.
  if (job != job_ || !running_) return;
  thread_.join();
  running_ = false;
  Finish finish = std::move(finish_);
  finish_ = nullptr;
  finish(end);
  emit finished();
}

void JobRunner::wait() {
  if (!running_) return;
  QEventLoop loop;
  connect(this, &JobRunner::finished, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace hm
