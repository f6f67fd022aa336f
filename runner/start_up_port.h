// The process start-up's seam to Windows: the console, COM, the single-instance
// mutex and wake broadcast, the command line, the host window and the message loop. Each
// method is one platform call (or, for the command line, the window and the loop, one
// mechanical step) with no decision of its own; the order and every value are the caller's
// (runner/process_start_up.h). Main thread only.
#ifndef TESSO_RUNNER_START_UP_PORT_H_
#define TESSO_RUNNER_START_UP_PORT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/engine_project.h"

namespace tesso {

// A kernel handle (here, the mutex); zero is none.
enum class KernelHandle : uintptr_t { kNone = 0 };

// The runtime library's standard streams.
enum class StandardStream { kOutput, kError };

// The top-level host window as start-up sees it (FlutterWindow).
class HostWindow {
 public:
  // Destroys the window if it still exists.
  virtual ~HostWindow() = default;
  // The window base's creation: logical pixels; false when the window or the
  // engine view cannot be created.
  virtual bool Create(const std::u16string& title, int32_t x, int32_t y, int32_t width,
                      int32_t height) = 0;
  virtual void SetQuitOnClose(bool quit_on_close) = 0;
};

class StartUpPort {
 public:
  virtual ~StartUpPort() = default;

  // Console.
  virtual bool AttachConsole(uint32_t process_id) = 0;
  virtual bool IsDebuggerPresent() = 0;
  virtual bool AllocConsole() = 0;
  // freopen_s of the runtime's `stream` on `path` with `mode`; true on success.
  virtual bool ReopenStandardStream(StandardStream stream, const char* path, const char* mode) = 0;
  // _dup2 of the runtime's stdout descriptor onto `descriptor`.
  virtual void DuplicateStandardOutputOnto(int32_t descriptor) = 0;
  // std::ios::sync_with_stdio(true).
  virtual void SyncWithStdio() = 0;
  // FlutterDesktopResyncOutputStreams.
  virtual void ResyncEngineOutputStreams() = 0;

  // COM: CoInitializeEx without reserved pointer (the result is not looked at) and
  // CoUninitialize.
  virtual void CoInitializeEx(uint32_t concurrency_model) = 0;
  virtual void CoUninitialize() = 0;

  // CreateMutexW without security attributes and not initially owned; kNone on failure.
  virtual KernelHandle CreateMutexW(const std::u16string& name) = 0;
  // GetLastError, right after the call it is about.
  virtual uint32_t GetLastError() = 0;
  virtual void CloseHandle(KernelHandle handle) = 0;
  virtual bool AllowSetForegroundWindow(uint32_t process_id) = 0;
  virtual uint32_t RegisterWindowMessageW(const std::u16string& name) = 0;
  // PostMessageW; `window` is an HWND as a number (0xFFFF: HWND_BROADCAST).
  virtual bool PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam,
                            int64_t lparam) = 0;

  // The UTF-8 arguments after the program path of this process's command line
  // (GetCommandLineArguments).
  virtual std::vector<std::string> GetCommandLineArguments() = 0;

  // Constructs the host window for `project` (copied) and the start-hidden flag, without
  // creating its Windows window.
  virtual std::unique_ptr<HostWindow> MakeHostWindow(const flutter::EngineProject& project,
                                                     bool start_hidden) = 0;
  // GetMessageW for any window of the thread, TranslateMessage and DispatchMessageW, until
  // GetMessageW returns 0 (WM_QUIT).
  virtual void RunMessageLoop() = 0;
};

}  // namespace tesso

#endif  // TESSO_RUNNER_START_UP_PORT_H_
