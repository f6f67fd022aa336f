// The desktop host's single worker thread and its two queues. The UI thread posts tasks (at
// most kMaxQueuedTasks unforced ones waiting); the worker runs them one at a time, in order,
// with the capture engine that it alone creates, uses and destroys; each task's completion
// goes back through a second queue, announced by kResultMessage to the top-level window, and
// runs on the UI thread when that thread drains the queue.
//
// Generic over the capture engine so that the queue rules can be tested with any object that
// has ReleaseAll(). Everything except the worker body runs on the UI thread.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_
#define TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "base/handles.h"
#include "base/worker_ports.h"
#include "desktop_host/com_apartment.h"

namespace tesso {

template <typename Capture>
class CaptureWorker {
 public:
  // Runs on the UI thread; may be empty (nothing to do there).
  using Completion = std::function<void()>;
  // Runs on the worker with its capture engine; returns what the UI thread does afterwards.
  using Task = std::function<Completion(Capture&)>;
  // Called once, on the worker, as it starts.
  using CaptureFactory = std::function<std::unique_ptr<Capture>()>;

  static constexpr size_t kMaxQueuedTasks = 32;
  // WM_APP + 0x59, posted to the window with both parameters 0 after every task.
  static constexpr uint32_t kResultMessage = 0x8059;

  // The ports are not owned and must outlive the worker.
  struct Ports {
    MessagePoster* poster = nullptr;
    WorkerStarter* starter = nullptr;
    ComApartment* com = nullptr;
    CaptureFactory make_capture;
  };

  CaptureWorker(WindowHandle window, Ports ports) : window_(window), ports_(std::move(ports)) {}
  // Stop.
  ~CaptureWorker() { Stop(); }

  CaptureWorker(const CaptureWorker&) = delete;
  CaptureWorker& operator=(const CaptureWorker&) = delete;

  // Starts the thread. False when it cannot be started; nothing runs then.
  bool Start() {
    return ports_.starter->Start([this] { Run(); }, &thread_);
  }

  // Queues `task`. An unforced task is refused when kMaxQueuedTasks already wait; a forced one
  // never is. A refused task has been destroyed, without running, when this returns false.
  bool PostTask(Task task, bool force) {
    bool accepted = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (force || tasks_.size() < kMaxQueuedTasks) {
        try {
          tasks_.push_back(std::move(task));
          accepted = true;
        } catch (...) {
          // No memory for its place in the queue: refused like a full queue.
        }
      }
    }
    if (!accepted) {
      task = nullptr;
      return false;
    }
    task_available_.notify_one();
    return true;
  }

  // Runs, in order, every non-empty completion queued before this call; completions queued
  // while it runs wait for the next call.
  void DrainCompletions() {
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

  // The first half of Stop: the worker ends after its current task, leaving waiting tasks.
  void RequestStop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_requested_ = true;
    }
    task_available_.notify_all();
  }

  // The second half of Stop: waits for the worker to end, then destroys the queued
  // completions and then the queued tasks without running them.
  void Join() {
    if (thread_.joinable()) thread_.join();
    std::deque<Completion> completions;
    std::deque<Task> tasks;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      completions.swap(completions_);
      tasks.swap(tasks_);
    }
    completions.clear();
    tasks.clear();
  }

  void Stop() {
    RequestStop();
    Join();
  }

 private:
  void Run() noexcept {
    const int32_t joined = ports_.com->CoInitializeEx(kCoinitMultithreaded);
    std::unique_ptr<Capture> capture;
    try {
      capture = ports_.make_capture();
    } catch (...) {
      // Without an engine every task is dropped below, so that the UI thread still hears of
      // each one.
    }
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      // The stop request is tested first: it wins over waiting tasks.
      while (!stop_requested_ && tasks_.empty()) task_available_.wait(lock);
      if (stop_requested_) break;
      Task task = std::move(tasks_.front());
      tasks_.pop_front();
      lock.unlock();
      Completion completion;
      if (capture) {
        try {
          completion = task(*capture);
        } catch (...) {
          // The task's own reply is lost with it; the message below still goes out.
        }
      }
      task = nullptr;
      lock.lock();
      try {
        completions_.push_back(std::move(completion));
      } catch (...) {
        // No memory for its place: the completion is dropped with its result handle.
      }
      lock.unlock();
      ports_.poster->PostMessageW(window_, kResultMessage, 0, 0);
      lock.lock();
    }
    lock.unlock();
    if (capture) {
      capture->ReleaseAll();
      capture.reset();
    }
    if (joined >= 0) ports_.com->CoUninitialize();
  }

  const WindowHandle window_;
  const Ports ports_;
  std::mutex mutex_;  // guards tasks_, completions_ and stop_requested_
  std::condition_variable task_available_;
  std::deque<Task> tasks_;
  std::deque<Completion> completions_;
  bool stop_requested_ = false;
  std::thread thread_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_
