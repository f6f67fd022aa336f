// Registration entry points of the five plug-in libraries the host loads, one per library:
//   desktop_drop_plugin.dll                   DesktopDropPluginRegisterWithRegistrar
//   flutter_secure_storage_windows_plugin.dll
//   FlutterSecureStorageWindowsPluginRegisterWithRegistrar local_auth_windows_plugin.dll
//   LocalAuthPluginRegisterWithRegistrar permission_handler_windows_plugin.dll
//   PermissionHandlerWindowsPluginRegisterWithRegistrar url_launcher_windows_plugin.dll
//   UrlLauncherWindowsRegisterWithRegistrar
#ifndef TESSO_STANDIN_PLUGIN_ENTRY_POINTS_H_
#define TESSO_STANDIN_PLUGIN_ENTRY_POINTS_H_

#include "messaging/engine_api.h"

#if defined(_WIN32) && defined(TESSO_PLUGIN_IMPLEMENTATION)
#define TESSO_PLUGIN_EXPORT __declspec(dllexport)
#else
#define TESSO_PLUGIN_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

TESSO_PLUGIN_EXPORT void DesktopDropPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);
TESSO_PLUGIN_EXPORT void FlutterSecureStorageWindowsPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);
TESSO_PLUGIN_EXPORT void LocalAuthPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);
TESSO_PLUGIN_EXPORT void PermissionHandlerWindowsPluginRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);
TESSO_PLUGIN_EXPORT void UrlLauncherWindowsRegisterWithRegistrar(
    FlutterDesktopPluginRegistrarRef registrar);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // TESSO_STANDIN_PLUGIN_ENTRY_POINTS_H_
