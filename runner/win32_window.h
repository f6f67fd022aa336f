// The base of the process's top-level window: a DPI-scaled overlapped window of the
// class "FLUTTER_RUNNER_WIN32_WINDOW" with a per-object message handler, the user's light or
// dark title bar, one child window filling the client area, and the quit message when it is
// destroyed if asked for. Win32 build only; every operation runs on the UI thread.
#ifndef TESSO_RUNNER_WIN32_WINDOW_H_
#define TESSO_RUNNER_WIN32_WINDOW_H_

#include <windows.h>

#include <cstdint>
#include <string>

namespace tesso {

class Win32Window {
 public:
  // In logical (96 DPI) pixels.
  struct Point {
    int32_t x = 0;
    int32_t y = 0;
  };
  struct Size {
    int32_t width = 0;
    int32_t height = 0;
  };

  // Counts the object among the active window objects.
  Win32Window();
  // Uncounts the object first, then Destroy: the last object unregisters the window class.
  // Runs the base OnDestroy, not a derived one.
  virtual ~Win32Window();

  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Destroys any previous window of this object, registers the class if needed and creates
  // the window, hidden, at `origin` and `size` scaled by the DPI of the monitor nearest the
  // unscaled origin. False when the window cannot be created, otherwise OnCreate's result.
  bool Create(const std::wstring& title, const Point& origin, const Size& size);

  // Runs OnDestroy, destroys the window if it still exists and unregisters the window class
  // if no window object is left.
  void Destroy();

  // The top-level window; null before creation and after destruction.
  HWND GetHandle() const { return window_handle_; }

  // Makes `content` the child window kept filling the client area, and gives it the focus.
  void SetChildContent(HWND content);

  // The client rectangle (GetClientRect).
  RECT GetClientArea() const;

  // Whether destroying the window posts the quit message (exit code 0).
  void SetQuitOnClose(bool quit_on_close) { quit_on_close_ = quit_on_close; }

 protected:
  // The per-object message handler; the base handles WM_DESTROY, WM_DPICHANGED, WM_SIZE,
  // WM_ACTIVATE and WM_DWMCOLORIZATIONCOLORCHANGED and hands the rest to DefWindowProcW.
  virtual LRESULT MessageHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Called at the end of a successful creation; false makes Create fail. The base returns
  // true.
  virtual bool OnCreate();
  // Called when the window is being destroyed; the base does nothing.
  virtual void OnDestroy();

 private:
  friend class WindowClassRegistrar;

  // The class's window procedure: routes every message after WM_NCCREATE to the object's
  // MessageHandler.
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  static Win32Window* GetThisFromHandle(HWND window) noexcept;
  // Title bar after the user's "AppsUseLightTheme"; unchanged when it cannot be read.
  static void UpdateTheme(HWND window);

  bool quit_on_close_ = false;
  HWND window_handle_ = nullptr;
  HWND child_content_ = nullptr;
};

}  // namespace tesso

#endif  // TESSO_RUNNER_WIN32_WINDOW_H_
