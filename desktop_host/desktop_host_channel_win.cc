#include "desktop_host/desktop_host_channel_win.h"

#include <cstdint>
#include <utility>

#include "base/message_poster_win.h"
#include "desktop_host/capture_ports_win.h"
#include "desktop_host/com_apartment_win.h"
#include "input/display_port_win.h"
#include "input/input_port_win.h"
#include "input/session_port_win.h"

namespace tesso {

std::unique_ptr<DesktopHostChannel> MakeDesktopHostChannel(flutter::BinaryMessenger* messenger,
                                                           HWND window) {
  DesktopHostPorts ports;
  ports.poster = std::make_shared<MessagePosterWin>();
  ports.worker_starter = std::make_shared<StdWorkerStarter>();
  ports.com = std::make_shared<ComApartmentWin>();
  // Desktop duplication allowed; the engine's ports are made on the worker, inside its
  // apartment.
  ports.make_capture = [] { return std::make_unique<ScreenCapture>(true, MakeCapturePortsWin()); };
  ports.displays = std::make_shared<DisplayPortWin>();
  ports.input = std::make_shared<InputPortWin>();
  ports.input_session = std::make_shared<SessionPortWin>();
  ports.input_displays = std::make_shared<DisplayPortWin>();
  return DesktopHostChannel::Create(
      messenger, static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window)), std::move(ports));
}

}  // namespace tesso
