// The stand-in engine: runs no user interface of its own, but carries the user interface's
// side of every channel over the peer link and produces frames on request.
#ifndef TESSO_STANDIN_ENGINE_H_
#define TESSO_STANDIN_ENGINE_H_

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "messaging/engine_api.h"
#include "standin/registrar.h"
#include "standin/window_win.h"
#include "standin/wire/frame_codec.h"

namespace tesso::standin {

class Messenger;

// Lives on the thread that created it (its UI thread): every method is called there, and every
// host callback (channel messages, replies, the next-frame callback) runs there, from the
// engine's hidden window. That window also parks the view until the host adopts it.
class Engine {
 public:
  // Null when the window cannot be made or TESSO_STANDIN_FAIL names "engine".
  static Engine* Create(const FlutterDesktopEngineProperties& properties) noexcept;

  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Ends the engine: its messenger stops being available, it leaves the link and reports
  // "engine_destroyed". Its memory goes now, or, when a callback of this engine is running
  // further up the stack, as soon as that callback returns.
  void Destroy() noexcept;

  Messenger* messenger() const { return messenger_; }
  HWND parking_window() const { return window_.get(); }

  // The view that CONTROL window messages go to (via its top-level window); null for none.
  void set_view(HWND view) { view_ = view; }

  // Owned by the engine; one per plug-in name.
  FlutterDesktopPluginRegistrar* GetRegistrar(const char* plugin_name);
  void ReloadSystemFonts();
  void SetNextFrameCallback(FlutterDesktopOnNextFrame callback, void* user_data);
  // Produces a frame soon, on the UI thread.
  void RequestFrame();

  // A message from the host to the user interface; with a reply, the driver's HOST_REPLY is
  // passed to it. False once the engine has ended.
  bool SendToPeer(const char* channel, const uint8_t* message, size_t size,
                  FlutterDesktopBinaryReply reply, void* user_data);
  // A null callback removes the channel's callback.
  void SetCallback(const char* channel, FlutterDesktopMessageCallback callback, void* user_data);

 private:
  template <typename Callback>
  struct Bound {
    Callback callback = nullptr;
    void* user_data = nullptr;
  };

  Engine() = default;
  ~Engine();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  void ProduceFrame();
  void DrainLink();
  void HandleCall(const Frame& frame);
  void HandleHostReply(const Frame& frame);
  void HandleControl(const Frame& frame);

  OwnedWindow window_;
  Messenger* messenger_ = nullptr;  // holds one reference
  HWND view_ = nullptr;
  std::map<std::string, Bound<FlutterDesktopMessageCallback>> callbacks_;
  std::map<uint32_t, Bound<FlutterDesktopBinaryReply>> pending_replies_;
  std::map<std::string, std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars_;
  Bound<FlutterDesktopOnNextFrame> next_frame_;
  bool first_frame_done_ = false;
  int dispatch_depth_ = 0;  // callbacks of this engine running on the stack
  bool destroyed_ = false;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_ENGINE_H_
