// Small window helpers shared by the engine and its view.
#ifndef TESSO_STANDIN_WINDOW_WIN_H_
#define TESSO_STANDIN_WINDOW_WIN_H_

#include <windows.h>

#include <utility>

namespace tesso::standin {

// The stand-in library's own module handle (its window classes are registered under it).
HINSTANCE ThisModule() noexcept;

// Registers the class once per process; later calls return the earlier answer.
bool EnsureWindowClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) noexcept;

// Owns a window of the calling thread and destroys it when it goes. A window can also end
// on its own (with its parent): call Forget from its WM_NCDESTROY so that no stale handle is
// destroyed later.
class OwnedWindow {
 public:
  OwnedWindow() = default;
  explicit OwnedWindow(HWND window) : window_(window) {}
  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;
  OwnedWindow(OwnedWindow&& other) noexcept : window_(other.window_) { other.window_ = nullptr; }
  OwnedWindow& operator=(OwnedWindow&& other) noexcept {
    if (this != &other) {
      Reset();
      window_ = other.window_;
      other.window_ = nullptr;
    }
    return *this;
  }
  ~OwnedWindow() { Reset(); }

  HWND get() const { return window_; }
  void Forget() { window_ = nullptr; }
  void Reset() {
    if (window_ != nullptr) DestroyWindow(std::exchange(window_, nullptr));
  }

 private:
  HWND window_ = nullptr;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_WINDOW_WIN_H_
