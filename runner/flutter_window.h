// The process's top-level host window: runs the engine view inside itself, registers
// the plug-ins, owns the native services, routes every window message to them, the engine and
// the window base, and is shown on the engine's first frame. This is the one place that
// decides which implementations of the ports run. Win32 build only; UI thread only.
#ifndef TESSO_RUNNER_FLUTTER_WINDOW_H_
#define TESSO_RUNNER_FLUTTER_WINDOW_H_

#include <windows.h>

#include <memory>

#include "desktop_host/desktop_host_channel.h"
#include "messaging/engine_project.h"
#include "messaging/flutter_view_controller.h"
#include "runner/win32_window.h"
#include "tray/shell_port_win.h"
#include "tray/window_channel.h"
#include "wake/windows_wake_channel.h"

namespace tesso {

class FlutterWindow : public Win32Window {
 public:
  // Copies `project` and keeps `start_hidden` for the window service; creates nothing else.
  FlutterWindow(const flutter::EngineProject& project, bool start_hidden);
  // Releases whatever is still held (after a failed creation, the view controller), in the
  // order of OnDestroy.
  ~FlutterWindow() override;

 protected:
  // Offers the message to the services, the engine and the window base in the order of
  // runner/message_routing.h.
  LRESULT MessageHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;
  // Starts the engine view at the client size, registers the plug-ins, creates the services,
  // puts the view in as child content and arranges the first-frame show. False when the view
  // controller has no engine or view (the services are then not created).
  bool OnCreate() override;
  // Releases the services, then the view controller (which ends the engine).
  void OnDestroy() override;

 private:
  class Routes;

  flutter::EngineProject project_;
  // The window service's Windows calls; declared before the service, which uses it to its end.
  ShellPortWin shell_port_;
  // Services in creation order.
  std::unique_ptr<WindowsWakeChannel> wake_service_;
  std::unique_ptr<WindowChannel> window_service_;
  std::unique_ptr<DesktopHostChannel> desktop_host_;
  bool start_hidden_;
  std::unique_ptr<flutter::FlutterViewController> flutter_controller_;
};

}  // namespace tesso

#endif  // TESSO_RUNNER_FLUTTER_WINDOW_H_
