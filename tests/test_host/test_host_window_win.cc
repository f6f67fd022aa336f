#include "tests/test_host/test_host_window_win.h"

#include <optional>
#include <utility>

#include "messaging/engine_project.h"
#include "messaging/plugin_entry_points.h"

namespace tesso::test_host {
namespace {

constexpr wchar_t kWindowClass[] = L"TessoTestHostWindow";
constexpr wchar_t kTitle[] = L"Tesso test host";

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

TestHostWindow::TestHostWindow(std::vector<std::string> entrypoint_arguments)
    : entrypoint_arguments_(std::move(entrypoint_arguments)) {}

TestHostWindow::~TestHostWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}

bool TestHostWindow::Create() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterWindowClass(instance, &TestHostWindow::WindowProc)) return false;
  // OnCreate runs inside; a window whose view cannot be made is refused there.
  return CreateWindowExW(0, kWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                         800, 600, nullptr, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK TestHostWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* self = static_cast<TestHostWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TestHostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

LRESULT TestHostWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND window = window_;
  // The engine sees every message first and may consume it.
  if (controller_) {
    const std::optional<FlutterDesktopLResult> consumed =
        controller_->HandleTopLevelWindowProc(window, message, wparam, lparam);
    if (consumed) return *consumed;
  }
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_FONTCHANGE:
      if (controller_) controller_->engine()->ReloadSystemFonts();
      break;
    case WM_SIZE:
      if (controller_ && controller_->view()) {
        RECT client = {};
        GetClientRect(window, &client);
        MoveWindow(static_cast<HWND>(controller_->view()->GetNativeWindow()), 0, 0,
                   client.right - client.left, client.bottom - client.top, TRUE);
      }
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool TestHostWindow::OnCreate() {
  RECT client = {};
  GetClientRect(window_, &client);
  flutter::EngineProject project;
  project.assets_path = u"data\\flutter_assets";
  project.icu_data_path = u"data\\icudtl.dat";
  project.aot_library_path = u"data\\app.so";
  project.dart_entrypoint_arguments = entrypoint_arguments_;
  controller_ = std::make_unique<flutter::FlutterViewController>(
      client.right - client.left, client.bottom - client.top, project);
  if (!controller_->engine() || !controller_->view()) {
    controller_.reset();
    return false;
  }
  const HWND view = static_cast<HWND>(controller_->view()->GetNativeWindow());
  SetParent(view, window_);
  MoveWindow(view, 0, 0, client.right - client.left, client.bottom - client.top, TRUE);
  RegisterPlugins();
  const HWND window = window_;
  controller_->engine()->SetNextFrameCallback([window]() { ShowWindow(window, SW_SHOWNORMAL); });
  channel_ = std::make_unique<HostChannel>(controller_->engine()->messenger(),
                                           [window]() { PostMessageW(window, WM_CLOSE, 0, 0); });
  return true;
}

void TestHostWindow::RegisterPlugins() {
  flutter::FlutterEngine* engine = controller_->engine();
  DesktopDropPluginRegisterWithRegistrar(engine->GetRegistrarForPlugin("DesktopDropPlugin"));
  FlutterSecureStorageWindowsPluginRegisterWithRegistrar(
      engine->GetRegistrarForPlugin("FlutterSecureStorageWindowsPlugin"));
  LocalAuthPluginRegisterWithRegistrar(engine->GetRegistrarForPlugin("LocalAuthPlugin"));
  PermissionHandlerWindowsPluginRegisterWithRegistrar(
      engine->GetRegistrarForPlugin("PermissionHandlerWindowsPlugin"));
  UrlLauncherWindowsRegisterWithRegistrar(engine->GetRegistrarForPlugin("UrlLauncherWindows"));
}

void TestHostWindow::OnDestroy() {
  if (channel_) channel_->ClearHandler();
  // Ends the engine; workers still answering find the messenger unavailable.
  controller_.reset();
  // Joins the workers.
  channel_.reset();
  PostQuitMessage(0);
}

}  // namespace tesso::test_host
