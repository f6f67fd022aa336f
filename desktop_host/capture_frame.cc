#include "desktop_host/capture_frame.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "input/display_catalogue.h"
#include "input/input_desktop_guard.h"

namespace tesso {
namespace {

constexpr double kMinQuality = 0.1;
constexpr double kMaxQuality = 1.0;
constexpr double kQualityForNaN = 0.8;

CaptureStatus BlockedStatus(InputDesktopState state) {
  return state == InputDesktopState::SessionLocked ? CaptureStatus::CaptureSessionLocked
                                                   : CaptureStatus::CaptureSecureDesktop;
}

float ClampQuality(double quality) {
  if (std::isnan(quality)) return static_cast<float>(kQualityForNaN);
  return static_cast<float>(std::clamp(quality, kMinQuality, kMaxQuality));
}

// The longer side becomes `max_dimension` when it is larger; each side at least 1.
void OutputSize(int32_t width, int32_t height, int32_t max_dimension, int32_t* out_width,
                int32_t* out_height) {
  *out_width = width;
  *out_height = height;
  const int32_t longer = std::max(width, height);
  if (max_dimension <= 0 || longer <= max_dimension) return;
  const double factor = static_cast<double>(max_dimension) / longer;
  *out_width = std::max<int32_t>(1, static_cast<int32_t>(std::llround(width * factor)));
  *out_height = std::max<int32_t>(1, static_cast<int32_t>(std::llround(height * factor)));
}

}  // namespace

CaptureStatus CaptureFrame(ScreenCapture& capture, int32_t display_index, int32_t max_dimension,
                           double quality, ScreenCapture::Frame* frame) {
  CapturePorts& ports = *capture.ports_;
  // Nothing seen on a locked or secure desktop is kept, and nothing of it is encoded.
  auto refuse = [&capture](InputDesktopState state) {
    capture.ReleaseDevice();
    capture.ResetFrames();
    return BlockedStatus(state);
  };
  try {
    const InputDesktopState before = GetInputDesktopState(*ports.session);
    if (before != InputDesktopState::NormalDesktop) return refuse(before);

    const std::optional<DisplayInfo> display = FindDisplay(*ports.display, display_index);
    if (!display) return CaptureStatus::CaptureFailed;
    const CapturedImage& raw = capture.raw_image_;
    if (display->monitor != raw.monitor || display->width() != raw.width ||
        display->height() != raw.height) {
      capture.ResetFrames();
    }

    bool changed = false;
    if (!capture.CaptureDisplay(*display, &changed)) {
      capture.ResetFrames();
      const InputDesktopState state = GetInputDesktopState(*ports.session);
      if (state != InputDesktopState::NormalDesktop) return refuse(state);
      return CaptureStatus::CaptureFailed;
    }
    const InputDesktopState after = GetInputDesktopState(*ports.session);
    if (after != InputDesktopState::NormalDesktop) return refuse(after);

    const float q = ClampQuality(quality);
    if (!capture.encoded_valid_ || changed || max_dimension != capture.encoded_max_dimension_ ||
        q != capture.encoded_quality_) {
      int32_t out_width = 0;
      int32_t out_height = 0;
      OutputSize(raw.width, raw.height, max_dimension, &out_width, &out_height);
      // Invalid from here until a JPEG of this picture and these settings exists.
      capture.encoded_valid_ = false;
      ScreenCapture::Frame& encoded = capture.encoded_frame_;
      // A smaller size is made before the encoder, the same whichever codec encodes.
      const uint8_t* pixels = raw.pixels.data();
      int32_t stride = raw.width * 4;
      if (out_width != raw.width || out_height != raw.height) {
        BoxScaler& scaler = capture.scaler_;
        if (!scaler.Scale(pixels, raw.width, raw.height, stride, out_width, out_height)) {
          return CaptureStatus::CaptureFailed;
        }
        pixels = scaler.pixels().data();
        stride = out_width * 4;
      }
      if (!ports.encoder->Encode(pixels, out_width, out_height, stride, q, &encoded.bytes)) {
        return CaptureStatus::CaptureFailed;
      }
      encoded.width = out_width;
      encoded.height = out_height;
      encoded.sequence = capture.next_sequence_++;
      capture.encoded_max_dimension_ = max_dimension;
      capture.encoded_quality_ = q;
      capture.encoded_valid_ = true;
    }
    *frame = capture.encoded_frame_;
    return CaptureStatus::CaptureOk;
  } catch (const std::bad_alloc&) {
    // No room for a picture or a file: start again from nothing at the next request.
    capture.ReleaseDevice();
    capture.ResetFrames();
    return CaptureStatus::CaptureFailed;
  }
}

}  // namespace tesso
