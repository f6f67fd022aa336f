#ifndef TESSO_MESSAGING_FLUTTER_ENGINE_H_
#define TESSO_MESSAGING_FLUTTER_ENGINE_H_

#include <functional>
#include <memory>
#include <string>

#include "messaging/binary_messenger.h"
#include "messaging/binary_messenger_impl.h"
#include "messaging/engine_api.h"
#include "messaging/engine_project.h"
#include "messaging/plugin_registry.h"

namespace flutter {

// One engine of the engine library, with its messenger. Used on the UI thread only.
class FlutterEngine : public PluginRegistry {
 public:
  // Creates the engine from `project`; the project's strings are only borrowed for the call.
  explicit FlutterEngine(const EngineProject& project);
  // Ends the engine if this object still owns it.
  ~FlutterEngine() override;

  FlutterEngine(const FlutterEngine&) = delete;
  FlutterEngine& operator=(const FlutterEngine&) = delete;

  // The messenger every channel of this engine uses; lives as long as this object.
  BinaryMessenger* messenger() { return messenger_.get(); }

  // Null, after a diagnostic line, when there is no engine.
  FlutterDesktopPluginRegistrarRef GetRegistrarForPlugin(const std::string& plugin_name) override;

  void ReloadSystemFonts();

  // Runs `callback` once, on the UI thread, after the next frame; each call arms it again.
  void SetNextFrameCallback(std::function<void()> callback);

  // Gives up ownership of the engine (to a view controller) and returns its handle, which
  // stays stored for the calls above.
  FlutterDesktopEngineRef RelinquishEngine();

 private:
  static void OnNextFrame(void* user_data) noexcept;
  void ShutDown();

  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<BinaryMessengerImpl> messenger_;
  bool owns_engine_ = true;
  std::function<void()> next_frame_callback_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_FLUTTER_ENGINE_H_
