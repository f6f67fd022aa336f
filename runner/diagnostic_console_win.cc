#include "runner/diagnostic_console_win.h"

#include <windows.h>

#include <io.h>

#include <cstdio>
#include <iostream>

#include "messaging/engine_api.h"

namespace tesso {

void AttachDiagnosticConsole() {
  if (!AllocConsole()) return;
  FILE* unused = nullptr;
  if (freopen_s(&unused, "CONOUT$", "w", stdout) != 0) {
    _dup2(_fileno(stdout), 1);
  }
  if (freopen_s(&unused, "CONOUT$", "w", stderr) != 0) {
    _dup2(_fileno(stdout), 2);
  }
  std::ios::sync_with_stdio();
  FlutterDesktopResyncOutputStreams();
}

}  // namespace tesso
