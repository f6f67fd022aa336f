// The desktop host service on "com.vel.halvo/desktop_host": capture on request, one JPEG frame
// of the selected display at a time, capture diagnostics, the display list and selection, and
// pointer, keyboard and text input. Calls arrive and are answered on the UI thread; capture
// and input run on the service's capture worker, whose completions reply once the host window
// hands back its result message (or at the start of the next call).
#ifndef TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_H_
#define TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "base/handles.h"
#include "desktop_host/capture_status.h"
#include "desktop_host/capture_worker.h"
#include "desktop_host/desktop_host_arguments.h"
#include "desktop_host/desktop_host_ports.h"
#include "desktop_host/screen_capture.h"
#include "input/input_job.h"
#include "input/input_ports.h"
#include "messaging/binary_messenger.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_channel.h"

namespace tesso {

class DesktopHostChannel {
 public:
  using Worker = CaptureWorker<ScreenCapture>;
  using WorkerTask = Worker::Task;
  using Completion = Worker::Completion;

  static constexpr char kChannelName[] = "com.vel.halvo/desktop_host";
  static constexpr uint32_t kResultMessage = Worker::kResultMessage;

  // Starts the capture worker, then binds the channel on `messenger` (not owned; must outlive
  // the service). None, with no channel bound, when the worker thread cannot be started. UI
  // thread.
  static std::unique_ptr<DesktopHostChannel> Create(flutter::BinaryMessenger* messenger,
                                                    WindowHandle window, DesktopHostPorts ports);
  // Clears the channel's handler, stops and joins the worker (a running task finishes, queued
  // ones never run), then drops what is queued: calls still waiting get no reply. UI thread.
  ~DesktopHostChannel();

  DesktopHostChannel(const DesktopHostChannel&) = delete;
  DesktopHostChannel& operator=(const DesktopHostChannel&) = delete;

  // Runs the completions the worker has finished. UI thread: when kResultMessage arrives, and
  // first thing in every call.
  void DrainCompletions();
  // Queues `task` for the worker; false when the queue is full (32 unforced tasks waiting) and
  // the task was destroyed. Only `force` passes a full queue. `fallback` answers instead when
  // the task or its completion cannot finish (no memory). UI thread.
  bool PostTask(WorkerTask task, bool force, Completion fallback = nullptr);
  // Runs `job` on the worker and replies success(its result), or success(false) at once when
  // the queue is full. UI thread.
  void RunInputJob(SharedMethodResult result, InputJob job);

 private:
  using Value = flutter::EncodableValue;

  DesktopHostChannel(WindowHandle window, DesktopHostPorts ports);

  void HandleMethodCall(const flutter::MethodCall<Value>& call, SharedMethodResult result);
  void SetCaptureEnabled(const DesktopHostArguments& args);
  void CaptureScreen(const DesktopHostArguments& args, SharedMethodResult result);
  // The end of an accepted "captureScreen", back on the UI thread. `backend` is null when the
  // task could not finish; `frame` is used only for CaptureOk.
  void CompleteCapture(const SharedMethodResult& result, int64_t generation,
                       ScreenCapture::Frame* frame, CaptureStatus status,
                       const std::string* backend);
  Value CaptureDiagnostics() const;
  InputPorts input_ports() const;

  const DesktopHostPorts ports_;
  std::unique_ptr<flutter::MethodChannel<Value>> channel_;
  // UI thread only.
  bool capture_enabled_ = false;
  bool capture_pending_ = false;  // a capture was queued and its completion has not run
  int64_t capture_generation_ = 0;
  int64_t capture_requests_ = 0;
  int64_t encoded_frames_ = 0;
  int32_t selected_display_index_ = 0;
  std::string capture_backend_ = "none";
  // Shared with the worker: a capture-off release waits in the queue (cleared when it runs),
  // and capture is on (a capture that finds it off releases after itself).
  std::atomic<bool> release_waiting_{false};
  std::atomic<bool> keep_capture_resources_{false};
  // Declared last: the worker's tasks reach the ports above.
  Worker worker_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DESKTOP_HOST_CHANNEL_H_
