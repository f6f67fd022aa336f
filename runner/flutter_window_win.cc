#include "runner/flutter_window.h"

#include <optional>

#include "desktop_host/desktop_host_channel_win.h"
#include "runner/message_routing.h"
#include "runner/plugin_registrant.h"
#include "wake/windows_wake_channel_win.h"

namespace tesso {

// The host window's receivers for RouteHostWindowMessage, for one message to `window`.
class FlutterWindow::Routes : public HostWindowRoutes {
 public:
  Routes(FlutterWindow& host, HWND window) : host_(host), window_(window) {}

  bool DeliverWakeResult() override {
    if (!host_.wake_service_) return false;
    host_.wake_service_->DeliverAdapterResult();
    return true;
  }

  bool DrainDesktopHostCompletions() override {
    if (!host_.desktop_host_) return false;
    host_.desktop_host_->DrainCompletions();
    return true;
  }

  std::optional<int64_t> OfferToWindowService(uint32_t message, uint64_t wparam,
                                              int64_t lparam) override {
    if (!host_.window_service_) return std::nullopt;
    int64_t result = 0;
    if (host_.window_service_->HandleWindowMessage(message, wparam, lparam, &result)) {
      return result;
    }
    return std::nullopt;
  }

  std::optional<int64_t> OfferToEngine(uint32_t message, uint64_t wparam, int64_t lparam) override {
    if (!host_.flutter_controller_) return std::nullopt;
    const std::optional<FlutterDesktopLResult> result =
        host_.flutter_controller_->HandleTopLevelWindowProc(
            window_, message, static_cast<FlutterDesktopWParam>(wparam),
            static_cast<FlutterDesktopLParam>(lparam));
    if (!result) return std::nullopt;
    return static_cast<int64_t>(*result);
  }

  void ReloadSystemFonts() override {
    if (host_.flutter_controller_) host_.flutter_controller_->engine()->ReloadSystemFonts();
  }

  int64_t HandleByWindowBase(uint32_t message, uint64_t wparam, int64_t lparam) override {
    return static_cast<int64_t>(host_.Win32Window::MessageHandler(
        window_, message, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)));
  }

 private:
  FlutterWindow& host_;
  HWND window_;
};

FlutterWindow::FlutterWindow(const flutter::EngineProject& project, bool start_hidden)
    : project_(project), start_hidden_(start_hidden) {}

FlutterWindow::~FlutterWindow() {
  desktop_host_.reset();
  window_service_.reset();
  wake_service_.reset();
  flutter_controller_.reset();
}

bool FlutterWindow::OnCreate() {
  if (!Win32Window::OnCreate()) return false;

  const RECT frame = GetClientArea();
  // A previous controller is destroyed after the new one has taken its place.
  flutter_controller_ = std::make_unique<flutter::FlutterViewController>(
      frame.right - frame.left, frame.bottom - frame.top, project_);
  // The controller has written its diagnostic line.
  if (!flutter_controller_->engine() || !flutter_controller_->view()) return false;

  flutter::FlutterEngine* engine = flutter_controller_->engine();
  RegisterPlugins(engine);

  // The services, in this order; each replaces (and then destroys) any previous one.
  wake_service_ = MakeWindowsWakeChannel(engine->messenger(), GetHandle());
  window_service_ = std::make_unique<WindowChannel>(
      engine->messenger(), ToWindowHandle(GetHandle()), start_hidden_, &shell_port_);
  desktop_host_ = MakeDesktopHostChannel(engine->messenger(), GetHandle());

  SetChildContent(static_cast<HWND>(flutter_controller_->view()->GetNativeWindow()));

  engine->SetNextFrameCallback([this]() {
    if (window_service_) window_service_->ShowOnFirstFrame();
  });

  // A frame now, so that the first-frame callback runs.
  flutter_controller_->ForceRedraw();

  return true;
}

void FlutterWindow::OnDestroy() {
  // Services first (each clears its channel handler on the engine's messenger), desktop host,
  // window service and wake service in that order; then the engine.
  desktop_host_.reset();
  window_service_.reset();
  wake_service_.reset();
  flutter_controller_.reset();

  Win32Window::OnDestroy();
}

LRESULT FlutterWindow::MessageHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Routes routes(*this, window);
  return static_cast<LRESULT>(RouteHostWindowMessage(message, static_cast<uint64_t>(wparam),
                                                     static_cast<int64_t>(lparam), routes));
}

}  // namespace tesso
