#include "desktop_host/capture_task_queue.h"

#include <utility>

namespace tesso {

bool CaptureTaskQueue::Post(Job job, bool force, Completion fallback) {
  std::list<Entry> entry;
  try {
    entry.emplace_back();
  } catch (...) {
    // No memory for its place in the queue: refused like a full queue.
    return false;
  }
  entry.front().job = std::move(job);
  entry.front().fallback = std::move(fallback);
  entry.front().forced = force;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (force || unforced_ < kMaxQueuedTasks) {
      if (!force) ++unforced_;
      jobs_.splice(jobs_.end(), entry);
    }
  }
  // A refused entry is destroyed here, outside the lock: it may hold the last reference to a
  // result.
  if (!entry.empty()) return false;
  job_available_.notify_one();
  return true;
}

void CaptureTaskQueue::DrainCompletions() {
  std::list<Entry> batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch.swap(completions_);
  }
  for (Entry& entry : batch) {
    if (entry.finished) {
      try {
        if (entry.completion) entry.completion();
        continue;
      } catch (...) {
        // No memory to answer as the job would have: its fallback answers.
      }
    }
    try {
      if (entry.fallback) entry.fallback();
    } catch (...) {
      // Even the fallback could not be encoded; the completions after it still run.
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
  std::list<Entry> completions;
  std::list<Entry> jobs;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    completions.swap(completions_);
    jobs.swap(jobs_);
    unforced_ = 0;
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
    std::list<Entry> running;
    running.splice(running.end(), jobs_, jobs_.begin());
    Entry& entry = running.front();
    if (!entry.forced) --unforced_;
    lock.unlock();
    try {
      entry.completion = entry.job();
      entry.finished = true;
    } catch (...) {
      // No memory for its result: the fallback answers.
    }
    entry.job = nullptr;
    lock.lock();
    completions_.splice(completions_.end(), running);
    lock.unlock();
    announce();
    lock.lock();
  }
}

}  // namespace tesso
