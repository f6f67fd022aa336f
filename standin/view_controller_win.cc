#include "standin/view_controller.h"

#include <new>

#include "standin/engine.h"
#include "standin/env_win.h"
#include "standin/peer_link.h"
#include "standin/wire/json_writer.h"

namespace tesso::standin {
namespace {

constexpr wchar_t kViewClass[] = L"TessoStandinView";

}  // namespace

View::~View() { Destroy(); }

void View::Destroy() {
  if (window_.get() == nullptr) return;
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  window_.Reset();
}

bool View::Create(HWND parent, int width, int height) noexcept {
  if (!EnsureWindowClass(kViewClass, &View::WindowProc,
                         static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)))) {
    return false;
  }
  HWND window = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                parent, nullptr, ThisModule(), nullptr);
  if (window == nullptr) return false;
  window_ = OwnedWindow(window);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

LRESULT CALLBACK View::WindowProc(HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam) noexcept {
  if (message == WM_NCDESTROY) {
    if (auto* view = reinterpret_cast<View*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
      view->window_.Forget();
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

ViewController* ViewController::Create(int width, int height, Engine* engine) noexcept {
  if (engine == nullptr) return nullptr;
  if (FailureRequested("view_controller")) {
    EmitEvent("view_controller_failed", "{}");
    engine->Destroy();
    return nullptr;
  }
  auto* controller = new (std::nothrow) ViewController(engine);
  if (controller == nullptr) {
    engine->Destroy();
    return nullptr;
  }
  if (!controller->view_.Create(engine->parking_window(), width, height)) {
    delete controller;
    return nullptr;
  }
  engine->set_view(controller->view_.window());
  EmitEvent("view_created", JsonObjectWriter().Int("width", width).Int("height", height).Finish());
  // A real engine renders its first frame on its own, while the host's window is still
  // hidden.
  if (GetEnv(L"TESSO_STANDIN_FIRST_FRAME") != "manual") engine->RequestFrame();
  return controller;
}

ViewController::~ViewController() {
  engine_->set_view(nullptr);
  // The view's window goes before the engine, as with an engine that tears its view down.
  view_.Destroy();
  engine_->Destroy();
}

void ViewController::ForceRedraw() { engine_->RequestFrame(); }

bool ViewController::HandleTopLevelWindowProc(HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
  if (message == WM_FONTCHANGE) {
    EmitEvent("top_level_message", JsonObjectWriter().Uint("msg", message).Finish());
  }
  return false;
}

}  // namespace tesso::standin
