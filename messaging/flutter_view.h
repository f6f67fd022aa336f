#ifndef TESSO_MESSAGING_FLUTTER_VIEW_H_
#define TESSO_MESSAGING_FLUTTER_VIEW_H_

#include "messaging/engine_api.h"

namespace flutter {

// The engine's view: a native child window owned by the view controller.
class FlutterView {
 public:
  explicit FlutterView(FlutterDesktopViewRef view) : view_(view) {}
  virtual ~FlutterView() = default;

  FlutterView(const FlutterView&) = delete;
  FlutterView& operator=(const FlutterView&) = delete;

  FlutterDesktopWindowHandle GetNativeWindow() { return FlutterDesktopViewGetHWND(view_); }

 private:
  FlutterDesktopViewRef view_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_FLUTTER_VIEW_H_
