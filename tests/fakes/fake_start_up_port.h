// A start-up port for the start-up tests: records every call in order (the host window's
// calls and its destruction included) and answers as told.
#ifndef TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "messaging/engine_project.h"
#include "runner/start_up_port.h"

namespace tesso_test {

class FakeStartUpPort : public tesso::StartUpPort {
 public:
  static constexpr tesso::KernelHandle kMutex = static_cast<tesso::KernelHandle>(0x1A4);
  static constexpr uint32_t kShowMessage = 0xC0DE;

  // Switches.
  bool attach_console = false;  // AttachConsole's answer
  bool debugger_present = false;
  bool alloc_console = true;
  bool reopen_output = true;           // ReopenStandardStream's answer for stdout
  bool reopen_error = true;            // and for stderr
  tesso::KernelHandle mutex = kMutex;  // CreateMutexW's answer
  uint32_t last_error = 0;             // GetLastError's answer
  std::vector<std::string> arguments;  // GetCommandLineArguments' answer
  bool create_window = true;           // HostWindow::Create's answer

  // Records.
  std::vector<std::string> calls;                 // every call, in order, as "Name arg arg"
  std::optional<flutter::EngineProject> project;  // given to MakeHostWindow
  std::optional<bool> start_hidden;               // given to MakeHostWindow

  bool AttachConsole(uint32_t process_id) override;
  bool IsDebuggerPresent() override;
  bool AllocConsole() override;
  bool ReopenStandardStream(tesso::StandardStream stream, const char* path,
                            const char* mode) override;
  void DuplicateStandardOutputOnto(int32_t descriptor) override;
  void SyncWithStdio() override;
  void ResyncEngineOutputStreams() override;
  void CoInitializeEx(uint32_t concurrency_model) override;
  void CoUninitialize() override;
  tesso::KernelHandle CreateMutexW(const std::u16string& name) override;
  uint32_t GetLastError() override;
  void CloseHandle(tesso::KernelHandle handle) override;
  bool AllowSetForegroundWindow(uint32_t process_id) override;
  uint32_t RegisterWindowMessageW(const std::u16string& name) override;
  bool PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam, int64_t lparam) override;
  std::vector<std::string> GetCommandLineArguments() override;
  std::unique_ptr<tesso::HostWindow> MakeHostWindow(const flutter::EngineProject& project,
                                                    bool start_hidden) override;
  void RunMessageLoop() override;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_
