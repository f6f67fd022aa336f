// A console for diagnostics when the process runs under a debugger (Part 1.1). Win32 build
// only.
#ifndef TESSO_RUNNER_DIAGNOSTIC_CONSOLE_WIN_H_
#define TESSO_RUNNER_DIAGNOSTIC_CONSOLE_WIN_H_

namespace tesso {

// Creates and attaches a new console and points the runtime's stdout and stderr, the standard
// library's streams and the engine library's output at it. Does nothing more if no console
// can be created. Called at start-up on the main thread, before any window exists.
void AttachDiagnosticConsole();

}  // namespace tesso

#endif  // TESSO_RUNNER_DIAGNOSTIC_CONSOLE_WIN_H_
