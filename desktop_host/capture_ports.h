// Everything the capture engine reaches Windows through. Built on the capture worker and owned
// by its ScreenCapture for the worker's life.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_PORTS_H_
#define TESSO_DESKTOP_HOST_CAPTURE_PORTS_H_

#include <memory>

#include "desktop_host/duplication_port.h"
#include "desktop_host/frame_encoder.h"
#include "desktop_host/gdi_port.h"
#include "desktop_host/tick_clock.h"
#include "input/display_port.h"
#include "input/session_port.h"

namespace tesso {

struct CapturePorts {
  std::unique_ptr<DuplicationPort> duplication;
  std::unique_ptr<GdiPort> gdi;
  std::unique_ptr<FrameEncoder> encoder;
  std::unique_ptr<TickClock> clock;
  std::unique_ptr<DisplayPort> display;
  std::unique_ptr<SessionPort> session;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_PORTS_H_
