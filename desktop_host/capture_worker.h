// The desktop host's single worker thread. The UI thread posts tasks (at most kMaxQueuedTasks
// unforced ones waiting); the worker runs them one at a time, in order, with the capture
// engine that it alone creates, uses and destroys, inside the multithreaded COM apartment (when
// the engine cannot be made, tasks run without one and it is tried again at the next); each
// task's completion goes back through CaptureTaskQueue, announced by kResultMessage to the
// top-level window, and runs on the UI thread when that thread drains the queue.
//
// Generic over the capture engine so that its life on the worker can be tested with any object
// that has ReleaseAll(). Everything except the thread body runs on the UI thread.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_
#define TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "base/handles.h"
#include "base/worker_ports.h"
#include "desktop_host/capture_task_queue.h"
#include "desktop_host/com_apartment.h"

namespace tesso {

template <typename Capture>
class CaptureWorker {
 public:
  using Completion = CaptureTaskQueue::Completion;
  // Runs on the worker with its capture engine, null when none could be made; returns what the
  // UI thread does afterwards.
  using Task = std::function<Completion(Capture*)>;
  // Called once, on the worker, after it joined the apartment.
  using CaptureFactory = std::function<std::unique_ptr<Capture>()>;

  static constexpr size_t kMaxQueuedTasks = CaptureTaskQueue::kMaxQueuedTasks;
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
  ~CaptureWorker() { Stop(); }

  CaptureWorker(const CaptureWorker&) = delete;
  CaptureWorker& operator=(const CaptureWorker&) = delete;

  // Starts the thread. False when it cannot be started; nothing runs then.
  bool Start() {
    return ports_.starter->Start([this] { Run(); }, &thread_);
  }

  // Queues `task`, answered by `fallback` if it cannot finish; see CaptureTaskQueue::Post. A
  // refused task has been destroyed.
  bool PostTask(Task task, bool force, Completion fallback = nullptr) {
    return queue_.Post(
        [this, task = std::move(task)]() -> Completion {
          if (!capture_) MakeCapture();
          return task(capture_.get());
        },
        force, std::move(fallback));
  }

  void DrainCompletions() { queue_.DrainCompletions(); }

  // The first half of Stop: the worker ends after its current task, leaving waiting tasks.
  void RequestStop() { queue_.RequestStop(); }

  // The second half of Stop: waits for the worker to end, then destroys the queued
  // completions and then the queued tasks without running them.
  void Join() {
    if (thread_.joinable()) thread_.join();
    queue_.Clear();
  }

  void Stop() {
    RequestStop();
    Join();
  }

 private:
  void Run() noexcept {
    const int32_t joined = ports_.com->CoInitializeEx(kCoinitMultithreaded);
    MakeCapture();
    queue_.Serve([this] {
      try {
        ports_.poster->PostMessageW(window_, kResultMessage, 0, 0);
      } catch (...) {
        // A lost message: the completion waits for the next drain.
      }
    });
    if (capture_) {
      capture_->ReleaseAll();
      capture_.reset();
    }
    if (joined >= 0) ports_.com->CoUninitialize();
  }

  void MakeCapture() noexcept {
    try {
      capture_ = ports_.make_capture();
    } catch (...) {
      // No engine for now (no memory): tasks run without one.
    }
  }

  const WindowHandle window_;
  const Ports ports_;
  CaptureTaskQueue queue_;
  // The worker's only: made, used and destroyed there.
  std::unique_ptr<Capture> capture_;
  std::thread thread_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_WORKER_H_
