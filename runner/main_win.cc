// The process entry point (Part 1.1): a console for diagnostics, COM, one instance per logon
// session, the command line, the host window and the message loop, then the teardown in a
// fixed order. Exit code 0 for a normal end or a second instance, 1 when the window cannot be
// created.
#include <objbase.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "messaging/engine_project.h"
#include "runner/command_line.h"
#include "runner/command_line_win.h"
#include "runner/diagnostic_console_win.h"
#include "runner/flutter_window.h"
#include "runner/start_up.h"
#include "tray/window_channel.h"

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Start-up from the project record on, for the first instance. `mutex` may be null (no
// single-instance protection).
int RunFirstInstance(HANDLE mutex) {
  flutter::EngineProject project = tesso::MakeEngineProject({});
  std::vector<std::string> arguments = tesso::GetCommandLineArguments();
  const bool start_hidden = tesso::IsStartHidden(arguments);
  project.dart_entrypoint_arguments = arguments;

  // Declared after the project and the arguments, so it is destroyed before them.
  tesso::FlutterWindow window(project, start_hidden);
  if (!window.Create(Wide(tesso::kWindowTitle), {tesso::kWindowOriginX, tesso::kWindowOriginY},
                     {tesso::kWindowWidth, tesso::kWindowHeight})) {
    // The mutex is left to the process's end; COM stays joined.
    return EXIT_FAILURE;
  }
  window.SetQuitOnClose(true);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  if (mutex != nullptr) CloseHandle(mutex);
  CoUninitialize();
  return EXIT_SUCCESS;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  // A console for diagnostics: the parent's, or a new one when a debugger is present.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && IsDebuggerPresent()) {
    tesso::AttachDiagnosticConsole();
  }

  // The UI thread stays a single-threaded apartment; the result is not used.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  HANDLE mutex = CreateMutexW(nullptr, FALSE, Wide(tesso::kSingleInstanceMutexName));
  if (mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // A second instance: let the first one come to the front, wake it and leave.
    AllowSetForegroundWindow(ASFW_ANY);
    PostMessageW(HWND_BROADCAST,
                 RegisterWindowMessageW(Wide(tesso::WindowChannel::kShowWindowMessageName)), 0, 0);
    CloseHandle(mutex);
    CoUninitialize();
    return EXIT_SUCCESS;
  }

  return RunFirstInstance(mutex);
}
