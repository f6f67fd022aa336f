// The frame pipeline that a capture request runs on the capture worker: guard, display,
// picture, guard again, then the cached JPEG or a new one at the asked size and quality.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_FRAME_H_
#define TESSO_DESKTOP_HOST_CAPTURE_FRAME_H_

#include <cstdint>

#include "desktop_host/capture_status.h"
#include "desktop_host/screen_capture.h"

namespace tesso {

// Fills *frame only when it returns CaptureOk. `display_index` out of range means the first
// display; `max_dimension` of 0 or less keeps the display's size; `quality` is clamped to
// 0.1 .. 1.0, NaN meaning 0.8. Capture worker only.
CaptureStatus CaptureFrame(ScreenCapture& capture, int32_t display_index, int32_t max_dimension,
                           double quality, ScreenCapture::Frame* frame);

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_FRAME_H_
