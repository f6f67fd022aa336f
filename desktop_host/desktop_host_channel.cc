#include "desktop_host/desktop_host_channel.h"

#include <utility>

#include "desktop_host/capture_frame.h"
#include "input/display_catalogue.h"
#include "input/keyboard_injection.h"
#include "input/pointer_injection.h"
#include "messaging/standard_method_codec.h"

namespace tesso {

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr char kGetPermissionState[] = "getPermissionState";
constexpr char kRequestPermissionPrompts[] = "requestPermissionPrompts";
constexpr char kSetCaptureEnabled[] = "setCaptureEnabled";
constexpr char kCaptureScreen[] = "captureScreen";
constexpr char kCaptureDiagnostics[] = "captureDiagnostics";
constexpr char kListDisplays[] = "listDisplays";
constexpr char kSwitchDisplay[] = "switchDisplay";
constexpr char kPerformMouse[] = "performMouse";
constexpr char kPerformKeyPress[] = "performKeyPress";
constexpr char kTypeText[] = "typeText";
constexpr char kWakeDisplay[] = "wakeDisplay";
// Methods that only reply null: this host needs no permission prompts or settings pages.
constexpr const char* kNullMethods[] = {"resetPermissionDenied", "activateApp",
                                        "openScreenRecordingSettings", "openAccessibilitySettings"};

constexpr int64_t kDefaultCaptureGeneration = -1;
constexpr int32_t kDefaultMaxDimension = 1920;
constexpr double kDefaultQuality = 0.8;

// Every permission reads as granted.
EncodableValue PermissionState() {
  return EncodableValue(EncodableMap{
      {EncodableValue("screenRecordingGranted"), EncodableValue(true)},
      {EncodableValue("accessibilityGranted"), EncodableValue(true)},
  });
}

}  // namespace

std::unique_ptr<DesktopHostChannel> DesktopHostChannel::Create(flutter::BinaryMessenger* messenger,
                                                               WindowHandle window,
                                                               DesktopHostPorts ports) {
  std::unique_ptr<DesktopHostChannel> service(new DesktopHostChannel(window, std::move(ports)));
  if (!service->worker_.Start()) return nullptr;
  service->channel_ = std::make_unique<flutter::MethodChannel<Value>>(
      messenger, kChannelName, &flutter::StandardMethodCodec::GetInstance());
  DesktopHostChannel* self = service.get();
  service->channel_->SetMethodCallHandler(
      [self](const flutter::MethodCall<Value>& call,
             std::unique_ptr<flutter::MethodResult<Value>> result) {
        self->HandleMethodCall(call, SharedMethodResult(std::move(result)));
      });
  return service;
}

DesktopHostChannel::DesktopHostChannel(WindowHandle window, DesktopHostPorts ports)
    : ports_(std::move(ports)),
      worker_(window, Worker::Ports{ports_.poster.get(), ports_.worker_starter.get(),
                                    ports_.com.get(), ports_.make_capture}) {}

DesktopHostChannel::~DesktopHostChannel() {
  if (channel_) channel_->SetMethodCallHandler(nullptr);
  worker_.Stop();
}

void DesktopHostChannel::DrainCompletions() { worker_.DrainCompletions(); }

bool DesktopHostChannel::PostTask(WorkerTask task, bool force, Completion fallback) {
  return worker_.PostTask(std::move(task), force, std::move(fallback));
}

void DesktopHostChannel::RunInputJob(SharedMethodResult result, InputJob job) {
  bool accepted = false;
  try {
    WorkerTask task = [result, job = std::move(job)](ScreenCapture*) -> Completion {
      const bool inserted = job();
      return [result, inserted] { result->Success(EncodableValue(inserted)); };
    };
    // A job that cannot finish (no memory for its events or its answer) inserted nothing it
    // can vouch for.
    accepted =
        PostTask(std::move(task), false, [result] { result->Success(EncodableValue(false)); });
  } catch (...) {
    // No memory to queue it: refused like a full queue.
  }
  if (!accepted) result->Success(EncodableValue(false));
}

void DesktopHostChannel::HandleMethodCall(const flutter::MethodCall<Value>& call,
                                          SharedMethodResult result) {
  // Finished work first, so that capture_pending_ is current.
  DrainCompletions();
  const DesktopHostArguments args(call.arguments());
  const std::string& method = call.method_name();

  if (method == kGetPermissionState || method == kRequestPermissionPrompts) {
    result->Success(PermissionState());
  } else if (method == kSetCaptureEnabled) {
    SetCaptureEnabled(args);
    result->Success();
  } else if (method == kCaptureScreen) {
    CaptureScreen(args, std::move(result));
  } else if (method == kCaptureDiagnostics) {
    result->Success(CaptureDiagnostics());
  } else if (method == kListDisplays) {
    result->Success(BuildDisplayList(*ports_.displays, selected_display_index_));
  } else if (method == kSwitchDisplay) {
    // Any index is kept; out of range means the first display wherever it is used.
    selected_display_index_ = args.Integer32("index", 0);
    result->Success(EncodableValue(true));
  } else if (method == kPerformMouse) {
    HandlePerformMouse(args.map(), std::move(result), selected_display_index_, input_ports(),
                       [this](SharedMethodResult job_result, InputJob job) {
                         RunInputJob(std::move(job_result), std::move(job));
                       });
  } else if (method == kPerformKeyPress) {
    HandlePerformKeyPress(args.map(), std::move(result), input_ports(),
                          [this](SharedMethodResult job_result, InputJob job) {
                            RunInputJob(std::move(job_result), std::move(job));
                          });
  } else if (method == kTypeText) {
    HandleTypeText(args.Text("text"), std::move(result), input_ports(),
                   [this](SharedMethodResult job_result, InputJob job) {
                     RunInputJob(std::move(job_result), std::move(job));
                   });
  } else if (method == kWakeDisplay) {
    RunInputJob(std::move(result), MakeWakeDisplayJob(input_ports()));
  } else {
    for (const char* null_method : kNullMethods) {
      if (method == null_method) {
        result->Success();
        return;
      }
    }
    result->NotImplemented();
  }
}

void DesktopHostChannel::SetCaptureEnabled(const DesktopHostArguments& args) {
  const int64_t generation = args.Integer("generation", 0);
  // An older run's late message changes nothing.
  if (generation < capture_generation_) return;
  capture_generation_ = generation;
  capture_enabled_ = args.Flag("enabled");
  keep_capture_resources_ = capture_enabled_;
  // One release waiting is enough: it runs after everything queued before it, and a capture
  // queued after it releases by itself once it sees capture off.
  if (capture_enabled_ || release_waiting_) return;
  // Forced past a full queue: the device objects go whatever the viewer has queued. A capture
  // already queued or running still finishes, and its completion replies null.
  // Set before posting: the worker may run the release before PostTask returns.
  release_waiting_ = true;
  const bool queued = PostTask(
      [this](ScreenCapture* capture) -> Completion {
        release_waiting_ = false;
        if (capture != nullptr) capture->ReleaseAll();
        return nullptr;
      },
      true);
  if (!queued) release_waiting_ = false;
}

void DesktopHostChannel::CaptureScreen(const DesktopHostArguments& args,
                                       SharedMethodResult result) {
  const int64_t generation = args.Integer("generation", kDefaultCaptureGeneration);
  if (!capture_enabled_ || generation != capture_generation_ || capture_pending_) {
    result->Success();
    return;
  }
  const int32_t max_dimension = args.Integer32("maxDimension", kDefaultMaxDimension);
  const double quality = args.Number("quality", kDefaultQuality);
  // This request keeps the display selected now.
  const int32_t display = selected_display_index_;
  ++capture_requests_;
  try {
    WorkerTask task = [this, result, generation, max_dimension, quality,
                       display](ScreenCapture* capture) -> Completion {
      auto frame = std::make_shared<ScreenCapture::Frame>();
      CaptureStatus status = CaptureStatus::CaptureFailed;
      std::string backend = "none";
      if (capture != nullptr) {
        try {
          status = CaptureFrame(*capture, display, max_dimension, quality, frame.get());
        } catch (...) {
          // No memory for the picture or its JPEG: a failed capture, not a silent one.
        }
        backend = capture->GetBackendName();
        // Switched off while this capture waited behind the one release: release after it.
        if (!keep_capture_resources_) capture->ReleaseAll();
      }
      return [this, result, generation, frame, status, backend] {
        CompleteCapture(result, generation, frame.get(), status, &backend);
      };
    };
    capture_pending_ = PostTask(std::move(task), false, [this, result, generation] {
      CompleteCapture(result, generation, nullptr, CaptureStatus::CaptureFailed, nullptr);
    });
  } catch (...) {
    // No memory to queue it: refused like a full queue.
  }
  // A full queue: the request stays counted.
  if (!capture_pending_) result->Success();
}

void DesktopHostChannel::CompleteCapture(const SharedMethodResult& result, int64_t generation,
                                         ScreenCapture::Frame* frame, CaptureStatus status,
                                         const std::string* backend) {
  capture_pending_ = false;
  if (backend != nullptr) capture_backend_ = *backend;
  // Capture switched off, or a newer run started, while this one was on its way.
  if (!capture_enabled_ || generation != capture_generation_) {
    result->Success();
    return;
  }
  switch (status) {
    case CaptureStatus::CaptureOk:
      // The frame is this completion's alone: its bytes move into the reply.
      result->Success(EncodableValue(EncodableMap{
          {EncodableValue("bytes"), EncodableValue(std::move(frame->bytes))},
          {EncodableValue("width"), EncodableValue(frame->width)},
          {EncodableValue("height"), EncodableValue(frame->height)},
          {EncodableValue("sequence"), EncodableValue(frame->sequence)},
      }));
      ++encoded_frames_;
      return;
    case CaptureStatus::CaptureSessionLocked:
      result->Error("SESSION_LOCKED", "workstation is locked");
      return;
    case CaptureStatus::CaptureSecureDesktop:
      result->Error("SECURE_DESKTOP", "a secure desktop owns the screen");
      return;
    case CaptureStatus::CaptureFailed:
      break;
  }
  result->Error("CAPTURE_FAILED", "");
}

DesktopHostChannel::Value DesktopHostChannel::CaptureDiagnostics() const {
  return EncodableValue(EncodableMap{
      {EncodableValue("enabled"), EncodableValue(capture_enabled_)},
      {EncodableValue("pending"), EncodableValue(capture_pending_)},
      {EncodableValue("requests"), EncodableValue(capture_requests_)},
      {EncodableValue("encoded"), EncodableValue(encoded_frames_)},
      {EncodableValue("backend"), EncodableValue(capture_backend_)},
  });
}

InputPorts DesktopHostChannel::input_ports() const {
  return InputPorts{ports_.input.get(), ports_.input_session.get(), ports_.input_displays.get()};
}

}  // namespace tesso
