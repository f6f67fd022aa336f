#ifndef TESSO_MESSAGING_FLUTTER_VIEW_CONTROLLER_H_
#define TESSO_MESSAGING_FLUTTER_VIEW_CONTROLLER_H_

#include <memory>
#include <optional>

#include "messaging/engine_api.h"
#include "messaging/engine_project.h"
#include "messaging/flutter_engine.h"
#include "messaging/flutter_view.h"

namespace flutter {

// Runs an engine with a view of the given size; owns both. Used on the UI thread only.
class FlutterViewController {
 public:
  // `width` and `height` are the view's initial size in physical pixels. On failure a
  // diagnostic line is written and view() is null.
  FlutterViewController(int width, int height, const EngineProject& project);
  virtual ~FlutterViewController();

  FlutterViewController(const FlutterViewController&) = delete;
  FlutterViewController& operator=(const FlutterViewController&) = delete;

  FlutterEngine* engine() { return engine_.get(); }
  // Null when the controller could not be created.
  FlutterView* view() { return view_.get(); }

  void ForceRedraw();

  // The engine's chance at a message of the top-level window: a result when it consumed it.
  std::optional<FlutterDesktopLResult> HandleTopLevelWindowProc(FlutterDesktopWindowHandle hwnd,
                                                                FlutterDesktopWindowMessage message,
                                                                FlutterDesktopWParam wparam,
                                                                FlutterDesktopLParam lparam);

 private:
  FlutterDesktopViewControllerRef controller_ = nullptr;
  std::shared_ptr<FlutterEngine> engine_;
  std::unique_ptr<FlutterView> view_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_FLUTTER_VIEW_CONTROLLER_H_
