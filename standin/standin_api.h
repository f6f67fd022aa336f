// Exports of the stand-in engine beyond the engine library's own interface.
#ifndef TESSO_STANDIN_STANDIN_API_H_
#define TESSO_STANDIN_STANDIN_API_H_

#include "messaging/engine_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// Called by a stand-in plug-in's entry point: reports event "plugin_registered" with the entry
// point's name and the plug-in name of `registrar` (null for a null registrar).
TESSO_ENGINE_EXPORT void TessoStandinRecordPluginRegistration(
    FlutterDesktopPluginRegistrarRef registrar, const char* entry_point);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // TESSO_STANDIN_STANDIN_API_H_
