// The two queues between the UI thread and the capture worker, with their one lock: work goes
// to the worker through a bounded queue of jobs, and each job's completion comes back through
// a second queue that the UI thread drains. The capture engine is not known here; CaptureWorker
// binds it into the jobs.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_
#define TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

namespace tesso {

class CaptureTaskQueue {
 public:
  // Runs on the UI thread; may be empty (nothing to do there).
  using Completion = std::function<void()>;
  // Runs on the worker; returns what the UI thread does afterwards.
  using Job = std::function<Completion()>;

  static constexpr size_t kMaxQueuedTasks = 32;

  // UI thread. Queues `job`; an unforced job is refused when kMaxQueuedTasks already wait, a
  // forced one never is. A refused job has been destroyed, without running, when this returns
  // false.
  bool Post(Job job, bool force);
  // UI thread. Runs, in order, every non-empty completion queued before this call; completions
  // queued while it runs wait for the next call.
  void DrainCompletions();
  // UI thread. Makes Serve return after its current job, leaving the waiting jobs.
  void RequestStop();
  // UI thread, once the worker has ended: destroys the queued completions, then the queued
  // jobs, without running them.
  void Clear();

  // The worker's loop: runs the jobs one at a time in the order they were posted, queues each
  // completion and then calls `announce` (outside the lock), until a stop is requested.
  void Serve(const std::function<void()>& announce);

 private:
  std::mutex mutex_;  // guards jobs_, completions_ and stop_requested_
  std::condition_variable job_available_;
  std::deque<Job> jobs_;
  std::deque<Completion> completions_;
  bool stop_requested_ = false;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_
