// The two queues between the UI thread and the capture worker, with their one lock: work goes
// to the worker through a bounded queue of jobs, and each job's completion comes back through
// a second queue that the UI thread drains. The capture engine is not known here; CaptureWorker
// binds it into the jobs.
//
// Every accepted job is answered: each entry carries, from the moment it is posted, a fallback
// completion made on the UI thread, which runs instead when the job throws (no memory for its
// result) or when its own completion throws. An entry is one list node from Post to the drain,
// so that handing it over never allocates and cannot fail.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_
#define TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <mutex>

namespace tesso {

class CaptureTaskQueue {
 public:
  // Runs on the UI thread; may be empty (nothing to do there).
  using Completion = std::function<void()>;
  // Runs on the worker; returns what the UI thread does afterwards.
  using Job = std::function<Completion()>;

  static constexpr size_t kMaxQueuedTasks = 32;

  // UI thread. Queues `job` with `fallback`; an unforced job is refused when kMaxQueuedTasks
  // unforced jobs already wait (forced ones do not count), a forced one is refused only when
  // there is no memory for its place. A refused job and its fallback have been destroyed,
  // without running, when this returns false.
  bool Post(Job job, bool force, Completion fallback = nullptr);
  // UI thread. Runs, in order, the completion of every job finished before this call (its
  // fallback instead when the job or the completion threw); completions queued while it runs
  // wait for the next call.
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
  struct Entry {
    Job job;
    Completion completion;
    Completion fallback;
    bool forced = false;
    bool finished = false;  // the job returned `completion`
  };

  std::mutex mutex_;  // guards jobs_, completions_, unforced_ and stop_requested_
  std::condition_variable job_available_;
  std::list<Entry> jobs_;
  std::list<Entry> completions_;
  size_t unforced_ = 0;  // unforced entries in jobs_
  bool stop_requested_ = false;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_TASK_QUEUE_H_
