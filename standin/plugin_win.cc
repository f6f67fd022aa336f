// One stand-in plug-in library; compiled once per plug-in with TESSO_PLUGIN_ENTRY_POINT set to
// the entry point's name. The entry point only records its registration with the stand-in
// engine, which reports it to the driver.
#include "messaging/plugin_entry_points.h"
#include "standin/standin_api.h"

#ifndef TESSO_PLUGIN_ENTRY_POINT
#error "TESSO_PLUGIN_ENTRY_POINT must name the entry point"
#endif

#define TESSO_STRINGIFY_IMPL(x) #x
#define TESSO_STRINGIFY(x) TESSO_STRINGIFY_IMPL(x)

extern "C" void TESSO_PLUGIN_ENTRY_POINT(FlutterDesktopPluginRegistrarRef registrar) {
  TessoStandinRecordPluginRegistration(registrar, TESSO_STRINGIFY(TESSO_PLUGIN_ENTRY_POINT));
}
