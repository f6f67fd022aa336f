#include "tests/fakes/fake_start_up_port.h"

#include <utility>

#include "base/string_conversions.h"

namespace tesso_test {
namespace {

std::string Hex(uint64_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), kDigits[value % 16]);
    value /= 16;
  } while (value != 0);
  return "0x" + out;
}

// Records its calls in the port's log; its destruction too.
class FakeHostWindow : public tesso::HostWindow {
 public:
  FakeHostWindow(std::vector<std::string>* calls, bool create) : calls_(calls), create_(create) {}
  ~FakeHostWindow() override { calls_->push_back("~HostWindow"); }

  bool Create(const std::u16string& title, int32_t x, int32_t y, int32_t width,
              int32_t height) override {
    calls_->push_back("HostWindow::Create " + tesso::WideToUtf8(title) + " " + std::to_string(x) +
                      " " + std::to_string(y) + " " + std::to_string(width) + " " +
                      std::to_string(height));
    return create_;
  }
  void SetQuitOnClose(bool quit_on_close) override {
    calls_->push_back(std::string("HostWindow::SetQuitOnClose ") +
                      (quit_on_close ? "true" : "false"));
  }

 private:
  std::vector<std::string>* calls_;
  bool create_;
};

}  // namespace

bool FakeStartUpPort::AttachConsole(uint32_t process_id) {
  calls.push_back("AttachConsole " + Hex(process_id));
  return attach_console;
}

bool FakeStartUpPort::IsDebuggerPresent() {
  calls.push_back("IsDebuggerPresent");
  return debugger_present;
}

bool FakeStartUpPort::AllocConsole() {
  calls.push_back("AllocConsole");
  return alloc_console;
}

bool FakeStartUpPort::ReopenStandardStream(tesso::StandardStream stream, const char* path,
                                           const char* mode) {
  const bool output = stream == tesso::StandardStream::kOutput;
  calls.push_back(std::string("ReopenStandardStream ") + (output ? "stdout" : "stderr") + " " +
                  path + " " + mode);
  return output ? reopen_output : reopen_error;
}

void FakeStartUpPort::DuplicateStandardOutputOnto(int32_t descriptor) {
  calls.push_back("DuplicateStandardOutputOnto " + std::to_string(descriptor));
}

void FakeStartUpPort::SyncWithStdio() { calls.push_back("SyncWithStdio"); }

void FakeStartUpPort::ResyncEngineOutputStreams() { calls.push_back("ResyncEngineOutputStreams"); }

void FakeStartUpPort::CoInitializeEx(uint32_t concurrency_model) {
  calls.push_back("CoInitializeEx " + Hex(concurrency_model));
}

void FakeStartUpPort::CoUninitialize() { calls.push_back("CoUninitialize"); }

tesso::KernelHandle FakeStartUpPort::CreateMutexW(const std::u16string& name) {
  calls.push_back("CreateMutexW " + tesso::WideToUtf8(name));
  return mutex;
}

uint32_t FakeStartUpPort::GetLastError() {
  calls.push_back("GetLastError");
  return last_error;
}

void FakeStartUpPort::CloseHandle(tesso::KernelHandle handle) {
  calls.push_back("CloseHandle " + Hex(static_cast<uint64_t>(handle)));
}

bool FakeStartUpPort::AllowSetForegroundWindow(uint32_t process_id) {
  calls.push_back("AllowSetForegroundWindow " + Hex(process_id));
  return true;
}

uint32_t FakeStartUpPort::RegisterWindowMessageW(const std::u16string& name) {
  calls.push_back("RegisterWindowMessageW " + tesso::WideToUtf8(name));
  return kShowMessage;
}

bool FakeStartUpPort::PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam,
                                   int64_t lparam) {
  calls.push_back("PostMessageW " + Hex(window) + " " + Hex(message) + " " +
                  std::to_string(wparam) + " " + std::to_string(lparam));
  return true;
}

std::vector<std::string> FakeStartUpPort::GetCommandLineArguments() {
  calls.push_back("GetCommandLineArguments");
  return arguments;
}

std::unique_ptr<tesso::HostWindow> FakeStartUpPort::MakeHostWindow(
    const flutter::EngineProject& host_project, bool host_start_hidden) {
  calls.push_back("MakeHostWindow");
  project = host_project;
  start_hidden = host_start_hidden;
  return std::make_unique<FakeHostWindow>(&calls, create_window);
}

void FakeStartUpPort::RunMessageLoop() { calls.push_back("RunMessageLoop"); }

}  // namespace tesso_test
