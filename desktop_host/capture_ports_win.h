// The capture engine's ports on Windows. Call on the capture worker after it joined the
// multithreaded COM apartment; the ports are used and destroyed on that thread.
#ifndef TESSO_DESKTOP_HOST_CAPTURE_PORTS_WIN_H_
#define TESSO_DESKTOP_HOST_CAPTURE_PORTS_WIN_H_

#include <memory>

#include "desktop_host/capture_ports.h"

namespace tesso {

std::unique_ptr<CapturePorts> MakeCapturePortsWin();

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_CAPTURE_PORTS_WIN_H_
