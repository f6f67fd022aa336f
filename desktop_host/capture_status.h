// The outcome of one frame request on the capture worker, as the desktop host channel replies
// it: a frame, or the reason there is none.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_STATUS_H_
#define TESSO_DESKTOP_HOST_CAPTURE_STATUS_H_

#include <cstdint>

namespace tesso {

enum class CaptureStatus : int32_t {
  CaptureOk = 0,             // the out frame holds a JPEG
  CaptureSessionLocked = 1,  // the workstation is locked: nothing was taken or kept
  CaptureSecureDesktop = 2,  // another desktop has the input: nothing was taken or kept
  CaptureFailed = 3,         // no display, no picture or no JPEG
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_STATUS_H_
