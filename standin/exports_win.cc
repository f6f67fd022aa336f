// The engine library's plain functions. Each one turns the opaque handles back into the
// stand-in's objects and lets no exception out: a failure becomes the function's "nothing"
// answer (null, false, no effect).
#include <windows.h>

#include <string>

#include "messaging/engine_api.h"
#include "standin/engine.h"
#include "standin/messenger.h"
#include "standin/peer_link.h"
#include "standin/standin_api.h"
#include "standin/view_controller.h"
#include "standin/wire/json_writer.h"

namespace {

using tesso::standin::Engine;
using tesso::standin::Messenger;
using tesso::standin::View;
using tesso::standin::ViewController;

Engine* FromRef(FlutterDesktopEngineRef engine) { return reinterpret_cast<Engine*>(engine); }
FlutterDesktopEngineRef ToRef(Engine* engine) {
  return reinterpret_cast<FlutterDesktopEngineRef>(engine);
}
ViewController* FromRef(FlutterDesktopViewControllerRef controller) {
  return reinterpret_cast<ViewController*>(controller);
}
FlutterDesktopViewControllerRef ToRef(ViewController* controller) {
  return reinterpret_cast<FlutterDesktopViewControllerRef>(controller);
}
View* FromRef(FlutterDesktopViewRef view) { return reinterpret_cast<View*>(view); }
FlutterDesktopViewRef ToRef(View* view) { return reinterpret_cast<FlutterDesktopViewRef>(view); }
Messenger* FromRef(FlutterDesktopMessengerRef messenger) {
  return reinterpret_cast<Messenger*>(messenger);
}
FlutterDesktopMessengerRef ToRef(Messenger* messenger) {
  return reinterpret_cast<FlutterDesktopMessengerRef>(messenger);
}

template <typename Result, typename Body>
Result Guarded(Result fallback, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

template <typename Body>
void Guarded(Body body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// A library loaded for one call and freed after it.
class ScopedLibrary {
 public:
  explicit ScopedLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
  ScopedLibrary(const ScopedLibrary&) = delete;
  ScopedLibrary& operator=(const ScopedLibrary&) = delete;
  ~ScopedLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  FARPROC Find(const char* name) const {
    return module_ != nullptr ? GetProcAddress(module_, name) : nullptr;
  }

 private:
  HMODULE module_;
};

// The screen's device context for one call.
class ScopedScreenDc {
 public:
  ScopedScreenDc() : dc_(GetDC(nullptr)) {}
  ScopedScreenDc(const ScopedScreenDc&) = delete;
  ScopedScreenDc& operator=(const ScopedScreenDc&) = delete;
  ~ScopedScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(
    const FlutterDesktopEngineProperties* engine_properties) {
  if (engine_properties == nullptr) return nullptr;
  return ToRef(Engine::Create(*engine_properties));
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  if (engine == nullptr) return false;
  FromRef(engine)->Destroy();
  return true;
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return engine != nullptr ? ToRef(FromRef(engine)->messenger()) : nullptr;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  if (engine == nullptr) return nullptr;
  return Guarded<FlutterDesktopPluginRegistrarRef>(
      nullptr, [&] { return FromRef(engine)->GetRegistrar(plugin_name); });
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  if (engine != nullptr) Guarded([&] { FromRef(engine)->ReloadSystemFonts(); });
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrame callback, void* user_data) {
  if (engine != nullptr) FromRef(engine)->SetNextFrameCallback(callback, user_data);
}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  return ToRef(ViewController::Create(width, height, FromRef(engine)));
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  delete FromRef(controller);
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  return controller != nullptr ? ToRef(FromRef(controller)->view()) : nullptr;
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef controller) {
  if (controller != nullptr) FromRef(controller)->ForceRedraw();
}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(
    FlutterDesktopViewControllerRef controller, FlutterDesktopWindowHandle hwnd,
    FlutterDesktopWindowMessage message, FlutterDesktopWParam wparam, FlutterDesktopLParam lparam,
    FlutterDesktopLResult* result) {
  if (controller == nullptr) return false;
  return Guarded(false, [&] {
    LRESULT answer = 0;
    const bool consumed =
        FromRef(controller)
            ->HandleTopLevelWindowProc(static_cast<HWND>(hwnd), message, wparam, lparam, &answer);
    if (consumed && result != nullptr) *result = answer;
    return consumed;
  });
}

FlutterDesktopWindowHandle FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) {
  return view != nullptr ? FromRef(view)->window() : nullptr;
}

uint32_t FlutterDesktopGetDpiForMonitor(FlutterDesktopMonitorHandle monitor) {
  using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  const ScopedLibrary shcore(L"shcore.dll");
  if (auto get_dpi = reinterpret_cast<GetDpiForMonitorFunction>(
          reinterpret_cast<void*>(shcore.Find("GetDpiForMonitor")))) {
    UINT dpi_x = 0;
    UINT dpi_y = 0;
    if (SUCCEEDED(get_dpi(static_cast<HMONITOR>(monitor), kEffectiveDpi, &dpi_x, &dpi_y)) &&
        dpi_x > 0) {
      return dpi_x;
    }
  }
  const ScopedScreenDc screen;
  const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
  return dpi > 0 ? static_cast<uint32_t>(dpi) : 96;
}

void FlutterDesktopResyncOutputStreams(void) {
  // The stand-in writes nothing of its own to the standard streams, so there is nothing to
  // re-point; the driver only learns that the host asked.
  tesso::standin::EmitEvent("output_streams_resynced", "{}");
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                 const uint8_t* message, size_t message_size) {
  return FlutterDesktopMessengerSendWithReply(messenger, channel, message, message_size, nullptr,
                                              nullptr);
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  if (messenger == nullptr) return false;
  Engine* engine = FromRef(messenger)->engine();
  if (engine == nullptr) return false;
  return Guarded(
      false, [&] { return engine->SendToPeer(channel, message, message_size, reply, user_data); });
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponseHandle* handle,
                                         const uint8_t* data, size_t data_length) {
  if (messenger != nullptr) FromRef(messenger)->SendResponse(handle, data, data_length);
}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  if (messenger == nullptr) return;
  Engine* engine = FromRef(messenger)->engine();
  if (engine != nullptr) Guarded([&] { engine->SetCallback(channel, callback, user_data); });
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  return messenger != nullptr ? ToRef(FromRef(messenger)->AddRef()) : nullptr;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  if (messenger != nullptr) FromRef(messenger)->Release();
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return messenger != nullptr && FromRef(messenger)->IsAvailable();
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  return messenger != nullptr ? ToRef(FromRef(messenger)->Lock()) : nullptr;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  if (messenger != nullptr) FromRef(messenger)->Unlock();
}

void TessoStandinRecordPluginRegistration(FlutterDesktopPluginRegistrarRef registrar,
                                          const char* entry_point) {
  Guarded([&] {
    tesso::standin::JsonObjectWriter json;
    json.String("entry_point", entry_point != nullptr ? entry_point : "");
    if (registrar == nullptr) {
      json.Null("registrar");
    } else {
      json.String("registrar", registrar->plugin_name);
    }
    tesso::standin::EmitEvent("plugin_registered", json.Finish());
  });
}

}  // extern "C"
