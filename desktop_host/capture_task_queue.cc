#include "desktop_host/capture_task_queue.h"

#include <utility>

namespace tesso {

bool CaptureTaskQueue::Post(Job job, bool force) {
  bool accepted = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (force || jobs_.size() < kMaxQueuedTasks) {
      try {
        jobs_.push_back(std::move(job));
        accepted = true;
      } catch (...) {
        // No memory for its place in the queue: refused like a full queue.
      }
    }
  }
  if (!accepted) {
    // Destroyed here, outside the lock: it may hold the last reference to a result.
    job = nullptr;
    return false;
  }
  job_available_.notify_one();
  return true;
}

void CaptureTaskQueue::DrainCompletions() {
  std::deque<Completion> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch.swap(completions_);
  }
  for (Completion& completion : batch) {
    if (!completion) continue;
    try {
      completion();
    } catch (...) {
      // Its reply is lost (no memory to encode it); the completions after it still run.
    }
  }
}

void CaptureTaskQueue::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_requested_ = true;
  }
  job_available_.notify_all();
}

void CaptureTaskQueue::Clear() {
  std::deque<Completion> completions;
  std::deque<Job> jobs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    completions.swap(completions_);
    jobs.swap(jobs_);
  }
  completions.clear();
  jobs.clear();
}

void CaptureTaskQueue::Serve(const std::function<void()>& announce) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // The stop request is tested first: it wins over waiting jobs.
    while (!stop_requested_ && jobs_.empty()) job_available_.wait(lock);
    if (stop_requested_) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    Completion completion;
    try {
      completion = job();
    } catch (...) {
      // The job's own reply is lost with it; the announcement below still goes out.
    }
    job = nullptr;
    lock.lock();
    try {
      completions_.push_back(std::move(completion));
    } catch (...) {
      // No memory for its place: the completion is dropped with what it holds.
    }
    lock.unlock();
    announce();
    lock.lock();
  }
}

}  // namespace tesso
