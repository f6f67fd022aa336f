#include "messaging/flutter_engine.h"

#include <utility>
#include <vector>

#include "messaging/diagnostics.h"

namespace flutter {

FlutterEngine::FlutterEngine(const EngineProject& project) {
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = project.assets_path.c_str();
  properties.icu_data_path = project.icu_data_path.c_str();
  properties.aot_library_path = project.aot_library_path.c_str();
  properties.dart_entrypoint = project.dart_entrypoint.c_str();
  // The array lives for the call only; the strings stay owned by the project.
  std::vector<const char*> arguments;
  arguments.reserve(project.dart_entrypoint_arguments.size());
  for (const std::string& argument : project.dart_entrypoint_arguments) {
    arguments.push_back(argument.c_str());
  }
  properties.dart_entrypoint_argc = static_cast<int32_t>(arguments.size());
  properties.dart_entrypoint_argv = arguments.empty() ? nullptr : arguments.data();
  properties.option_a = project.option_a;
  properties.option_b = project.option_b;

  engine_ = FlutterDesktopEngineCreate(&properties);
  // An engine that could not be created leaves a messenger that reaches nothing; the view
  // controller then fails.
  messenger_ = std::make_unique<BinaryMessengerImpl>(
      engine_ != nullptr ? FlutterDesktopEngineGetMessenger(engine_) : nullptr);
}

FlutterEngine::~FlutterEngine() {
  ShutDown();
  next_frame_callback_ = nullptr;
  messenger_.reset();
}

void FlutterEngine::ShutDown() {
  if (engine_ != nullptr && owns_engine_) FlutterDesktopEngineDestroy(engine_);
  engine_ = nullptr;
}

FlutterDesktopPluginRegistrarRef FlutterEngine::GetRegistrarForPlugin(
    const std::string& plugin_name) {
  if (engine_ == nullptr) {
    WriteDiagnosticLine(
        "Cannot get plugin registrar on an engine that isn't running; call Run first.");
    return nullptr;
  }
  return FlutterDesktopEngineGetPluginRegistrar(engine_, plugin_name.c_str());
}

void FlutterEngine::ReloadSystemFonts() {
  if (engine_ != nullptr) FlutterDesktopEngineReloadSystemFonts(engine_);
}

void FlutterEngine::SetNextFrameCallback(std::function<void()> callback) {
  next_frame_callback_ = std::move(callback);
  if (engine_ == nullptr) return;
  FlutterDesktopEngineSetNextFrameCallback(engine_, &FlutterEngine::OnNextFrame, this);
}

FlutterDesktopEngineRef FlutterEngine::RelinquishEngine() {
  owns_engine_ = false;
  return engine_;
}

void FlutterEngine::OnNextFrame(void* user_data) noexcept {
  auto* self = static_cast<FlutterEngine*>(user_data);
  // Emptied before it runs, so that the callback may arm the next one.
  std::function<void()> callback = std::move(self->next_frame_callback_);
  self->next_frame_callback_ = nullptr;
  if (!callback) return;
  try {
    callback();
  } catch (...) {
    // The engine must not see the exception.
  }
}

}  // namespace flutter
