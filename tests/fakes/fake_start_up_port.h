// A start-up port for the start-up tests: logs every call in order as "Name arg arg" (the
// host window's calls and its destruction included) and answers as told.
#ifndef TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/string_conversions.h"
#include "messaging/engine_project.h"
#include "runner/start_up_port.h"

namespace tesso_test {

class FakeStartUpPort : public tesso::StartUpPort {
 public:
  bool attach_console = false, debugger_present = false, alloc_console = true;
  bool reopen_output = true, reopen_error = true, create_window = true;
  tesso::KernelHandle mutex = static_cast<tesso::KernelHandle>(0x1A4);
  uint32_t last_error = 0;
  std::vector<std::string> arguments;
  std::vector<std::string> calls;

  bool AttachConsole(uint32_t id) override {
    return Log("AttachConsole " + Hex(id), attach_console);
  }
  bool IsDebuggerPresent() override { return Log("IsDebuggerPresent", debugger_present); }
  bool AllocConsole() override { return Log("AllocConsole", alloc_console); }
  bool ReopenStandardStream(tesso::StandardStream stream, const char* path,
                            const char* mode) override {
    const bool out = stream == tesso::StandardStream::kOutput;
    return Log(
        std::string("ReopenStandardStream ") + (out ? "stdout " : "stderr ") + path + " " + mode,
        out ? reopen_output : reopen_error);
  }
  void DuplicateStandardOutputOnto(int32_t fd) override {
    Log("DuplicateStandardOutputOnto " + std::to_string(fd));
  }
  void SyncWithStdio() override { Log("SyncWithStdio"); }
  void ResyncEngineOutputStreams() override { Log("ResyncEngineOutputStreams"); }
  void CoInitializeEx(uint32_t model) override { Log("CoInitializeEx " + Hex(model)); }
  void CoUninitialize() override { Log("CoUninitialize"); }
  tesso::KernelHandle CreateMutexW(const std::u16string& name) override {
    return Log("CreateMutexW " + tesso::WideToUtf8(name), mutex);
  }
  uint32_t GetLastError() override { return Log("GetLastError", last_error); }
  void CloseHandle(tesso::KernelHandle handle) override {
    Log("CloseHandle " + Hex(static_cast<uint64_t>(handle)));
  }
  bool AllowSetForegroundWindow(uint32_t id) override {
    return Log("AllowSetForegroundWindow " + Hex(id), true);
  }
  uint32_t RegisterWindowMessageW(const std::u16string& name) override {
    return Log("RegisterWindowMessageW " + tesso::WideToUtf8(name), 0xC0DEu);
  }
  bool PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam, int64_t lparam) override {
    return Log("PostMessageW " + Hex(window) + " " + Hex(message) + " " + std::to_string(wparam) +
                   " " + std::to_string(lparam),
               true);
  }
  std::vector<std::string> GetCommandLineArguments() override {
    return Log("GetCommandLineArguments", arguments);
  }
  // The project and the start-hidden flag as one line.
  std::unique_ptr<tesso::HostWindow> MakeHostWindow(const flutter::EngineProject& p,
                                                    bool hidden) override {
    std::string line = "MakeHostWindow " + tesso::WideToUtf8(p.assets_path) + " " +
                       tesso::WideToUtf8(p.icu_data_path) + " " +
                       tesso::WideToUtf8(p.aot_library_path) + " entry=" + p.dart_entrypoint +
                       " args=";
    for (const std::string& argument : p.dart_entrypoint_arguments) line += "[" + argument + "]";
    Log(line + " " + std::to_string(p.option_a) + " " + std::to_string(p.option_b) +
        (hidden ? " hidden" : " shown"));
    return std::make_unique<Window>(this);
  }
  void RunMessageLoop() override { Log("RunMessageLoop"); }

 private:
  class Window : public tesso::HostWindow {
   public:
    explicit Window(FakeStartUpPort* port) : port_(port) {}
    ~Window() override { port_->Log("~HostWindow"); }
    bool Create(const std::u16string& title, int32_t x, int32_t y, int32_t width,
                int32_t height) override {
      return port_->Log("HostWindow::Create " + tesso::WideToUtf8(title) + " " + std::to_string(x) +
                            " " + std::to_string(y) + " " + std::to_string(width) + " " +
                            std::to_string(height),
                        port_->create_window);
    }
    void SetQuitOnClose(bool quit) override {
      port_->Log(std::string("HostWindow::SetQuitOnClose ") + (quit ? "true" : "false"));
    }

   private:
    FakeStartUpPort* port_;
  };

  static std::string Hex(uint64_t value) {
    std::string out;
    do out.insert(out.begin(), "0123456789ABCDEF"[value % 16]);
    while ((value /= 16) != 0);
    return "0x" + out;
  }
  template <typename T = bool>
  T Log(const std::string& call, T answer = T()) {
    calls.push_back(call);
    return answer;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_START_UP_PORT_H_
