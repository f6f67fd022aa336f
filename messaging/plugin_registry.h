#ifndef TESSO_MESSAGING_PLUGIN_REGISTRY_H_
#define TESSO_MESSAGING_PLUGIN_REGISTRY_H_

#include <string>

#include "messaging/engine_api.h"

namespace flutter {

// Hands out the engine's registrar for a plug-in, for the plug-in's registration entry point.
class PluginRegistry {
 public:
  virtual ~PluginRegistry() = default;
  virtual FlutterDesktopPluginRegistrarRef GetRegistrarForPlugin(
      const std::string& plugin_name) = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_PLUGIN_REGISTRY_H_
