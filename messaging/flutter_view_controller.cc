#include "messaging/flutter_view_controller.h"

#include "messaging/diagnostics.h"

namespace flutter {

FlutterViewController::FlutterViewController(int width, int height, const EngineProject& project) {
  engine_ = std::make_shared<FlutterEngine>(project);
  FlutterDesktopEngineRef engine = engine_->RelinquishEngine();
  // From here the engine library owns the engine; destroying the controller ends it.
  if (engine != nullptr) controller_ = FlutterDesktopViewControllerCreate(width, height, engine);
  if (controller_ == nullptr) {
    WriteDiagnosticLine("Failed to create view controller.");
    return;
  }
  view_ = std::make_unique<FlutterView>(FlutterDesktopViewControllerGetView(controller_));
}

FlutterViewController::~FlutterViewController() {
  if (controller_ != nullptr) FlutterDesktopViewControllerDestroy(controller_);
  view_.reset();
  engine_.reset();
}

void FlutterViewController::ForceRedraw() {
  if (controller_ != nullptr) FlutterDesktopViewControllerForceRedraw(controller_);
}

std::optional<FlutterDesktopLResult> FlutterViewController::HandleTopLevelWindowProc(
    FlutterDesktopWindowHandle hwnd, FlutterDesktopWindowMessage message,
    FlutterDesktopWParam wparam, FlutterDesktopLParam lparam) {
  if (controller_ == nullptr) return std::nullopt;
  FlutterDesktopLResult result = 0;
  if (FlutterDesktopViewControllerHandleTopLevelWindowProc(controller_, hwnd, message, wparam,
                                                           lparam, &result)) {
    return result;
  }
  return std::nullopt;
}

}  // namespace flutter
