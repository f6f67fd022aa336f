// The capture engine of one capture worker: takes the picture of a display by desktop
// duplication, falling back to a GDI screen copy, tells whether it changed, and keeps the
// last encoded JPEG for the frame pipeline. Created, used and destroyed on the capture worker
// only; it owns the worker's ports.
#ifndef TESSO_DESKTOP_HOST_SCREEN_CAPTURE_H_
#define TESSO_DESKTOP_HOST_SCREEN_CAPTURE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "base/handles.h"
#include "desktop_host/box_scaler.h"
#include "desktop_host/capture_ports.h"
#include "desktop_host/capture_status.h"
#include "desktop_host/gdi_surface.h"
#include "input/display_catalogue.h"

namespace tesso {

// The last picture: width x height pixels of 4 bytes (blue, green, red, ignored), rows top
// down with no gap between them.
struct CapturedImage {
  std::vector<uint8_t> pixels;
  MonitorHandle monitor = MonitorHandle::kNone;  // none when empty
  int32_t width = 0;
  int32_t height = 0;
};

// The outcome of one duplication attempt.
enum class DuplicationResult : int32_t {
  NewFrame = 0,         // the picture now differs from the previous one
  NoNewFrame = 1,       // no frame in time, a pointer update only, or identical pixels
  RetryLater = 2,       // a transient failure; the device objects were released
  DxgiUnavailable = 3,  // duplication cannot serve this display; device objects released
};

// The set-up codes that a second attempt may overcome give RetryLater; every other failure
// gives DxgiUnavailable.
DuplicationResult ClassifySetUpFailure(int32_t hr);

class ScreenCapture {
 public:
  // One encoded JPEG; sequence 0 in an empty frame.
  struct Frame {
    std::vector<uint8_t> bytes;
    int32_t width = 0;
    int32_t height = 0;
    int64_t sequence = 0;
  };

  static constexpr uint32_t kFirstFrameWaitMs = 200;
  // A refusal backs duplication off for 30 s on that display; each refusal that follows on
  // it doubles that, up to 240 s: a machine that never duplicates (Wine) pays the set-up's
  // stall once in four minutes, and one that recovers gets duplication back within them.
  static constexpr uint64_t kDxgiBackoffMs = 30000;
  static constexpr uint64_t kDxgiMaxBackoffMs = 240000;
  static constexpr int kDxgiAttempts = 2;

  // Creates no device object. `ports` must hold all six ports.
  ScreenCapture(bool dxgi_allowed, std::unique_ptr<CapturePorts> ports);
  ~ScreenCapture();
  ScreenCapture(const ScreenCapture&) = delete;
  ScreenCapture& operator=(const ScreenCapture&) = delete;

  // Takes a picture of `display`; false (the previous picture kept) only when the GDI copy
  // fails. *changed is true only when the picture now differs from the previous one.
  bool CaptureDisplay(const DisplayInfo& display, bool* changed);
  // Releases the duplication objects; the encoder's objects and the pictures stay.
  void ReleaseDevice();
  // Empties the picture and the JPEG cache and lets go of the GDI objects kept to take it;
  // sequence numbers keep growing.
  void ResetFrames();
  // Everything: device, pictures, the GDI objects, the back-off mark and the encoder's objects.
  void ReleaseAll();
  // "none" until a picture was taken, then "dxgi" or "gdi": the backend of the last picture.
  const char* GetBackendName() const { return backend_name_; }

  const CapturedImage& raw_image() const { return raw_image_; }

 private:
  friend CaptureStatus CaptureFrame(ScreenCapture& capture, int32_t display_index,
                                    int32_t max_dimension, double quality, Frame* frame);

  DuplicationResult AcquireDuplicatedFrame(const DisplayInfo& display);
  // With a frame held: copies it through the staging texture into the picture.
  DuplicationResult CopyFrame(const DisplayInfo& display, bool is_new);
  int32_t InitDuplication(MonitorHandle monitor);
  // On the adapter and output found for `monitor`: the device and the duplication.
  int32_t CreateDuplication(MonitorHandle monitor);
  // Copies the display's rectangle from the screen into the picture; false (the picture kept)
  // when any GDI step fails. *changed as for CaptureDisplay.
  bool CaptureDisplayGdi(const DisplayInfo& display, bool* changed);

  const bool dxgi_allowed_;
  const std::unique_ptr<CapturePorts> ports_;
  // The device, its context, the duplication, the staging texture and the encoder's objects
  // are held by the ports; these mirror what they were made for.
  MonitorHandle duplicated_monitor_ = MonitorHandle::kNone;
  uint32_t staging_width_ = 0;  // the size the staging texture was made for
  uint32_t staging_height_ = 0;
  // The display of the last refusal, kept past the back-off so that a repeat is known; none
  // after a duplication that worked or a capture of another display.
  MonitorHandle dxgi_failed_monitor_ = MonitorHandle::kNone;
  uint64_t dxgi_failed_at_ = 0;
  uint64_t dxgi_backoff_ms_ = 0;  // how long that refusal backs off
  GdiSurface gdi_surface_{ports_->gdi.get()};
  CapturedImage raw_image_;
  BoxScaler scaler_;  // the picture at the asked size, when smaller
  Frame encoded_frame_;
  int64_t next_sequence_ = 1;
  bool encoded_valid_ = false;
  int32_t encoded_max_dimension_ = 0;
  float encoded_quality_ = 0.0f;
  const char* backend_name_ = "none";
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_SCREEN_CAPTURE_H_
