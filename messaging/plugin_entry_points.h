// Registration entry points of the five plug-in libraries the host registers (Parts 1.3, 2.3),
// one exported by each library; runner/plugin_registrant.cc holds the table of libraries and
// registrar names. Programs link the libraries' import libraries; a library that implements
// one of them defines TESSO_PLUGIN_IMPLEMENTATION.
#ifndef TESSO_MESSAGING_PLUGIN_ENTRY_POINTS_H_
#define TESSO_MESSAGING_PLUGIN_ENTRY_POINTS_H_

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

#endif  // TESSO_MESSAGING_PLUGIN_ENTRY_POINTS_H_
