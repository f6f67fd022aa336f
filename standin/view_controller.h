// The view controller and its view: a real child window of the engine, created parked in the
// engine's hidden window until the host parents it into its own.
#ifndef TESSO_STANDIN_VIEW_CONTROLLER_H_
#define TESSO_STANDIN_VIEW_CONTROLLER_H_

#include <windows.h>

#include "messaging/engine_api.h"
#include "standin/window_win.h"

namespace tesso::standin {

class Engine;

// The view's window. It may end before its owner (destroyed with the host's window); it
// forgets its handle then.
class View {
 public:
  View() = default;
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  ~View();

  // A visible child of `parent`, width x height.
  bool Create(HWND parent, int width, int height) noexcept;
  HWND window() const { return window_.get(); }
  // Destroys the window if it still exists.
  void Destroy();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;

  OwnedWindow window_;
};

// Owns the engine (from creation on) and the view. UI thread only.
class ViewController {
 public:
  // Takes ownership of `engine` whatever happens: on failure (no engine, no window, or
  // TESSO_STANDIN_FAIL naming "view_controller") the engine is destroyed and null returned.
  static ViewController* Create(int width, int height, Engine* engine) noexcept;

  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // Destroys the view, then the engine.
  ~ViewController();

  View* view() { return &view_; }
  void ForceRedraw();
  // Never consumes a message; reports WM_FONTCHANGE so a driver can see the engine was asked.
  bool HandleTopLevelWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                LRESULT* result);

 private:
  explicit ViewController(Engine* engine) : engine_(engine) {}

  Engine* engine_;  // owned; ended with Engine::Destroy
  View view_;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_VIEW_CONTROLLER_H_
