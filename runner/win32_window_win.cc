#include "runner/win32_window.h"

#include <dwmapi.h>

#include "messaging/engine_api.h"
#include "runner/dpi_scaling.h"
#include "runner/theme.h"

namespace tesso {
namespace {

constexpr wchar_t kWindowClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";
// Icon group 101 of the executable (runner/resources).
constexpr int kAppIconResource = 101;

constexpr wchar_t kThemeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kThemeValue[] = L"AppsUseLightTheme";
// DWMWA_USE_IMMERSIVE_DARK_MODE; older SDK headers do not name it.
constexpr DWORD kDwmUseImmersiveDarkMode = 20;

// Active Win32Window objects: incremented by every constructor, decremented by every
// destructor. UI thread only.
int32_t g_active_window_count = 0;

using EnableNonClientDpiScalingFunction = BOOL(WINAPI*)(HWND);

// Lets Windows scale the non-client area (title bar, frame) with the monitor's DPI, where
// Windows offers it.
void EnableFullDpiSupportIfAvailable(HWND window) {
  HMODULE user32 = LoadLibraryA("User32.dll");
  if (user32 == nullptr) return;
  auto enable = reinterpret_cast<EnableNonClientDpiScalingFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "EnableNonClientDpiScaling")));
  if (enable != nullptr) enable(window);
  FreeLibrary(user32);
}

}  // namespace

// The window class, registered on first use and unregistered by the last window object. The
// single object is created on first use and never freed. UI thread only.
class WindowClassRegistrar {
 public:
  static WindowClassRegistrar* GetInstance() {
    if (instance_ == nullptr) instance_ = new WindowClassRegistrar();
    return instance_;
  }

  // The class name, registering the class first if it is not registered.
  const wchar_t* GetWindowClass() {
    if (!class_registered_) {
      WNDCLASSW window_class = {};
      window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
      window_class.lpszClassName = kWindowClassName;
      window_class.style = CS_HREDRAW | CS_VREDRAW;
      window_class.cbClsExtra = 0;
      window_class.cbWndExtra = 0;
      window_class.hInstance = GetModuleHandleW(nullptr);
      window_class.hIcon = LoadIconW(window_class.hInstance, MAKEINTRESOURCEW(kAppIconResource));
      window_class.hbrBackground = nullptr;
      window_class.lpszMenuName = nullptr;
      window_class.lpfnWndProc = &Win32Window::WndProc;
      RegisterClassW(&window_class);
      class_registered_ = true;
    }
    return kWindowClassName;
  }

  // Unregisters the class, so that a later GetWindowClass registers it again.
  void UnregisterWindowClass() {
    UnregisterClassW(kWindowClassName, nullptr);
    class_registered_ = false;
  }

 private:
  WindowClassRegistrar() = default;

  static WindowClassRegistrar* instance_;
  bool class_registered_ = false;
};

WindowClassRegistrar* WindowClassRegistrar::instance_ = nullptr;

Win32Window::Win32Window() { ++g_active_window_count; }

Win32Window::~Win32Window() {
  --g_active_window_count;
  Destroy();
}

bool Win32Window::Create(const std::wstring& title, const Point& origin, const Size& size) {
  Destroy();

  const wchar_t* window_class = WindowClassRegistrar::GetInstance()->GetWindowClass();

  const POINT target_point = {static_cast<LONG>(origin.x), static_cast<LONG>(origin.y)};
  HMONITOR monitor = MonitorFromPoint(target_point, MONITOR_DEFAULTTONEAREST);
  const uint32_t dpi = FlutterDesktopGetDpiForMonitor(monitor);
  const WindowFrame frame = ScaleWindowFrame({origin.x, origin.y, size.width, size.height}, dpi);

  HWND window =
      CreateWindowExW(0, window_class, title.c_str(), WS_OVERLAPPEDWINDOW, frame.x, frame.y,
                      frame.width, frame.height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (window == nullptr) return false;

  UpdateTheme(window);

  return OnCreate();
}

LRESULT CALLBACK Win32Window::WndProc(HWND window, UINT message, WPARAM wparam,
                                      LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* create_struct = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* that = static_cast<Win32Window*>(create_struct->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(that));
    EnableFullDpiSupportIfAvailable(window);
    that->window_handle_ = window;
  } else if (Win32Window* that = GetThisFromHandle(window)) {
    // No exception leaves the window procedure: a failing handler gives the default answer.
    try {
      return that->MessageHandler(window, message, wparam, lparam);
    } catch (...) {
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32Window::MessageHandler(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_DESTROY:
      window_handle_ = nullptr;
      Destroy();
      if (quit_on_close_) PostQuitMessage(0);
      return 0;

    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<RECT*>(lparam);
      const LONG width = suggested->right - suggested->left;
      const LONG height = suggested->bottom - suggested->top;
      SetWindowPos(window, nullptr, suggested->left, suggested->top, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }

    case WM_SIZE: {
      const RECT frame = GetClientArea();
      if (child_content_ != nullptr) {
        // The child content fills the client area.
        MoveWindow(child_content_, frame.left, frame.top, frame.right - frame.left,
                   frame.bottom - frame.top, TRUE);
      }
      return 0;
    }

    case WM_ACTIVATE:
      if (child_content_ != nullptr) SetFocus(child_content_);
      return 0;

    case WM_DWMCOLORIZATIONCOLORCHANGED:
      UpdateTheme(window);
      return 0;

    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool Win32Window::OnCreate() { return true; }

void Win32Window::OnDestroy() {}

void Win32Window::Destroy() {
  OnDestroy();
  if (window_handle_ != nullptr) {
    DestroyWindow(window_handle_);
    window_handle_ = nullptr;
  }
  if (g_active_window_count == 0) WindowClassRegistrar::GetInstance()->UnregisterWindowClass();
}

Win32Window* Win32Window::GetThisFromHandle(HWND window) noexcept {
  return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Win32Window::SetChildContent(HWND content) {
  child_content_ = content;
  SetParent(content, window_handle_);
  const RECT frame = GetClientArea();
  MoveWindow(content, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
             TRUE);
  SetFocus(child_content_);
}

RECT Win32Window::GetClientArea() const {
  RECT frame = {};
  GetClientRect(window_handle_, &frame);
  return frame;
}

void Win32Window::UpdateTheme(HWND window) {
  DWORD light_mode = 0;
  DWORD light_mode_size = sizeof(light_mode);
  const LSTATUS result = RegGetValueW(HKEY_CURRENT_USER, kThemeKey, kThemeValue, RRF_RT_REG_DWORD,
                                      nullptr, &light_mode, &light_mode_size);
  if (result != ERROR_SUCCESS) return;
  const BOOL enable_dark_mode = DarkTitleBarForLightThemeValue(light_mode) ? TRUE : FALSE;
  DwmSetWindowAttribute(window, kDwmUseImmersiveDarkMode, &enable_dark_mode,
                        sizeof(enable_dark_mode));
}

}  // namespace tesso
