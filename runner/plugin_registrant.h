// Registration of the five plug-ins with the engine (Parts 1.3, 2.3).
#ifndef TESSO_RUNNER_PLUGIN_REGISTRANT_H_
#define TESSO_RUNNER_PLUGIN_REGISTRANT_H_

#include "messaging/plugin_registry.h"

namespace tesso {

// For each plug-in in the fixed order, asks `registry` for the registrar of its name and hands
// that registrar (null included) to the plug-in library's entry point. UI thread.
void RegisterPlugins(flutter::PluginRegistry* registry);

}  // namespace tesso

#endif  // TESSO_RUNNER_PLUGIN_REGISTRANT_H_
