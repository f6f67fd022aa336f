// Calls the plug-in libraries' entry points, so it is linked only into programs that link
// their import libraries (the win build).
#include "runner/plugin_registrant.h"

#include "messaging/plugin_entry_points.h"

namespace tesso {
namespace {

struct Plugin {
  const char* registrar_name;
  void (*register_with_registrar)(FlutterDesktopPluginRegistrarRef registrar);
};

// Registrar name, entry point (library), in registration order.
constexpr Plugin kPlugins[] = {
    // desktop_drop_plugin.dll
    {"DesktopDropPlugin", &DesktopDropPluginRegisterWithRegistrar},
    // flutter_secure_storage_windows_plugin.dll
    {"FlutterSecureStorageWindowsPlugin", &FlutterSecureStorageWindowsPluginRegisterWithRegistrar},
    // local_auth_windows_plugin.dll
    {"LocalAuthPlugin", &LocalAuthPluginRegisterWithRegistrar},
    // permission_handler_windows_plugin.dll
    {"PermissionHandlerWindowsPlugin", &PermissionHandlerWindowsPluginRegisterWithRegistrar},
    // url_launcher_windows_plugin.dll
    {"UrlLauncherWindows", &UrlLauncherWindowsRegisterWithRegistrar},
};

}  // namespace

void RegisterPlugins(flutter::PluginRegistry* registry) {
  for (const Plugin& plugin : kPlugins) {
    plugin.register_with_registrar(registry->GetRegistrarForPlugin(plugin.registrar_name));
  }
}

}  // namespace tesso
