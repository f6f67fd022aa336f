#include "runner/start_up.h"

#include <memory>
#include <string>
#include <vector>

#include "messaging/engine_project.h"
#include "runner/command_line.h"

namespace tesso {

void AttachDiagnosticConsole(StartUpPort& port) {
  if (!port.AllocConsole()) return;
  if (!port.ReopenStandardStream(StandardStream::kOutput, "CONOUT$", "w")) {
    port.DuplicateStandardOutputOnto(kStandardOutputDescriptor);
  }
  if (!port.ReopenStandardStream(StandardStream::kError, "CONOUT$", "w")) {
    port.DuplicateStandardOutputOnto(kStandardErrorDescriptor);
  }
  port.SyncWithStdio();
  port.ResyncEngineOutputStreams();
}

int RunProcess(StartUpPort& port) {
  // A console for diagnostics: the parent's, or a new one when a debugger is present.
  if (!port.AttachConsole(kAttachParentProcess) && port.IsDebuggerPresent()) {
    AttachDiagnosticConsole(port);
  }

  // The main thread stays a single-threaded apartment: it is the UI thread.
  port.CoInitializeEx(kCoinitApartmentThreaded);

  const KernelHandle mutex = port.CreateMutexW(kSingleInstanceMutexName);
  if (mutex != KernelHandle::kNone && port.GetLastError() == kErrorAlreadyExists) {
    // A second instance: let the first one come to the front, wake it and leave.
    port.AllowSetForegroundWindow(kAsfwAny);
    port.PostMessageW(kHwndBroadcast, port.RegisterWindowMessageW(kShowMainWindowMessageName), 0,
                      0);
    port.CloseHandle(mutex);
    port.CoUninitialize();
    return 0;
  }
  // Without a mutex (CreateMutexW failed) the process runs unprotected.

  flutter::EngineProject project = MakeEngineProject({});
  std::vector<std::string> arguments = port.GetCommandLineArguments();
  const bool start_hidden = IsStartHidden(arguments);
  project.dart_entrypoint_arguments = arguments;

  // Declared after the project and the arguments, so it is destroyed before them.
  const std::unique_ptr<HostWindow> window = port.MakeHostWindow(project, start_hidden);
  if (!window->Create(kWindowTitle, kWindowOriginX, kWindowOriginY, kWindowWidth, kWindowHeight)) {
    // The mutex is left to the process's end and COM stays joined.
    return 1;
  }
  window->SetQuitOnClose(true);

  port.RunMessageLoop();

  if (mutex != KernelHandle::kNone) port.CloseHandle(mutex);
  port.CoUninitialize();
  return 0;
}

}  // namespace tesso
