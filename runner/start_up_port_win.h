// The start-up port on Windows: each method is the Windows (or runtime library) call of the
// same name; the host window is a FlutterWindow. Win32 build only.
#ifndef TESSO_RUNNER_START_UP_PORT_WIN_H_
#define TESSO_RUNNER_START_UP_PORT_WIN_H_

#include <memory>
#include <string>
#include <vector>

#include "runner/start_up_port.h"

namespace tesso {

class StartUpPortWin : public StartUpPort {
 public:
  bool AttachConsole(uint32_t process_id) override;
  bool IsDebuggerPresent() override;
  bool AllocConsole() override;
  bool ReopenStandardStream(StandardStream stream, const char* path, const char* mode) override;
  void DuplicateStandardOutputOnto(int32_t descriptor) override;
  void SyncWithStdio() override;
  void ResyncEngineOutputStreams() override;
  void CoInitializeEx(uint32_t concurrency_model) override;
  void CoUninitialize() override;
  KernelHandle CreateMutexW(const std::u16string& name) override;
  uint32_t GetLastError() override;
  void CloseHandle(KernelHandle handle) override;
  bool AllowSetForegroundWindow(uint32_t process_id) override;
  uint32_t RegisterWindowMessageW(const std::u16string& name) override;
  bool PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam, int64_t lparam) override;
  std::vector<std::string> GetCommandLineArguments() override;
  std::unique_ptr<HostWindow> MakeHostWindow(const flutter::EngineProject& project,
                                             bool start_hidden) override;
  void RunMessageLoop() override;
};

}  // namespace tesso

#endif  // TESSO_RUNNER_START_UP_PORT_WIN_H_
