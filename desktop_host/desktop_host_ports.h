// What DesktopHostChannel needs besides the messenger and the window. The service keeps them
// alive until its worker has been joined; a test may hold on to its fakes to read them after.
#ifndef TESSO_DESKTOP_HOST_DESKTOP_HOST_PORTS_H_
#define TESSO_DESKTOP_HOST_DESKTOP_HOST_PORTS_H_

#include <functional>
#include <memory>

#include "base/worker_ports.h"
#include "desktop_host/com_apartment.h"
#include "desktop_host/screen_capture.h"
#include "input/display_port.h"
#include "input/input_port.h"
#include "input/session_port.h"

namespace tesso {

struct DesktopHostPorts {
  // The capture worker: its completion message, its thread and its COM apartment.
  std::shared_ptr<MessagePoster> poster;
  std::shared_ptr<WorkerStarter> worker_starter;
  std::shared_ptr<ComApartment> com;
  // Called once, on the worker after it joined the apartment: the capture engine, which lives
  // and dies there.
  std::function<std::unique_ptr<ScreenCapture>()> make_capture;
  // The UI thread: "listDisplays".
  std::shared_ptr<DisplayPort> displays;
  // The capture worker: the input jobs.
  std::shared_ptr<InputPort> input;
  std::shared_ptr<SessionPort> input_session;
  std::shared_ptr<DisplayPort> input_displays;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DESKTOP_HOST_PORTS_H_
