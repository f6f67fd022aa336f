// A plug-in registrar: what the engine hands a plug-in's entry point.
#ifndef TESSO_STANDIN_REGISTRAR_H_
#define TESSO_STANDIN_REGISTRAR_H_

#include <string>

#include "messaging/engine_api.h"

// The registrar only remembers which plug-in it was asked for, so that the registration a
// plug-in records can be checked against it. Owned by its engine.
struct FlutterDesktopPluginRegistrar {
  std::string plugin_name;
};

#endif  // TESSO_STANDIN_REGISTRAR_H_
