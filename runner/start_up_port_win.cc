#include "runner/start_up_port_win.h"

#include <objbase.h>
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <iostream>

#include "messaging/engine_api.h"
#include "runner/command_line_win.h"
#include "runner/flutter_window.h"
#include "runner/start_up.h"

namespace tesso {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");
static_assert(kAttachParentProcess == ATTACH_PARENT_PROCESS, "ATTACH_PARENT_PROCESS");
static_assert(kAsfwAny == ASFW_ANY, "ASFW_ANY");
static_assert(kCoinitApartmentThreaded == COINIT_APARTMENTTHREADED, "COINIT_APARTMENTTHREADED");
static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS, "ERROR_ALREADY_EXISTS");

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

HANDLE ToHandle(KernelHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle));
}

class FlutterHostWindow : public HostWindow {
 public:
  FlutterHostWindow(const flutter::EngineProject& project, bool start_hidden)
      : window_(project, start_hidden) {}

  bool Create(const std::u16string& title, int32_t x, int32_t y, int32_t width,
              int32_t height) override {
    return window_.Create(std::wstring(Wide(title)), {x, y}, {width, height});
  }
  void SetQuitOnClose(bool quit_on_close) override { window_.SetQuitOnClose(quit_on_close); }

 private:
  FlutterWindow window_;
};

}  // namespace

bool StartUpPortWin::AttachConsole(uint32_t process_id) {
  return ::AttachConsole(process_id) != FALSE;
}

bool StartUpPortWin::IsDebuggerPresent() { return ::IsDebuggerPresent() != FALSE; }

bool StartUpPortWin::AllocConsole() { return ::AllocConsole() != FALSE; }

bool StartUpPortWin::ReopenStandardStream(StandardStream stream, const char* path,
                                          const char* mode) {
  FILE* reopened = nullptr;
  return freopen_s(&reopened, path, mode, stream == StandardStream::kOutput ? stdout : stderr) == 0;
}

void StartUpPortWin::DuplicateStandardOutputOnto(int32_t descriptor) {
  _dup2(_fileno(stdout), descriptor);
}

void StartUpPortWin::SyncWithStdio() { std::ios::sync_with_stdio(true); }

void StartUpPortWin::ResyncEngineOutputStreams() { FlutterDesktopResyncOutputStreams(); }

void StartUpPortWin::CoInitializeEx(uint32_t concurrency_model) {
  ::CoInitializeEx(nullptr, concurrency_model);
}

void StartUpPortWin::CoUninitialize() { ::CoUninitialize(); }

KernelHandle StartUpPortWin::CreateMutexW(const std::u16string& name) {
  return static_cast<KernelHandle>(
      reinterpret_cast<uintptr_t>(::CreateMutexW(nullptr, FALSE, Wide(name))));
}

uint32_t StartUpPortWin::GetLastError() { return ::GetLastError(); }

void StartUpPortWin::CloseHandle(KernelHandle handle) { ::CloseHandle(ToHandle(handle)); }

bool StartUpPortWin::AllowSetForegroundWindow(uint32_t process_id) {
  return ::AllowSetForegroundWindow(process_id) != FALSE;
}

uint32_t StartUpPortWin::RegisterWindowMessageW(const std::u16string& name) {
  return ::RegisterWindowMessageW(Wide(name));
}

bool StartUpPortWin::PostMessageW(uintptr_t window, uint32_t message, uint64_t wparam,
                                  int64_t lparam) {
  return ::PostMessageW(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wparam),
                        static_cast<LPARAM>(lparam)) != FALSE;
}

std::vector<std::string> StartUpPortWin::GetCommandLineArguments() {
  return tesso::GetCommandLineArguments();
}

std::unique_ptr<HostWindow> StartUpPortWin::MakeHostWindow(const flutter::EngineProject& project,
                                                           bool start_hidden) {
  return std::make_unique<FlutterHostWindow>(project, start_hidden);
}

void StartUpPortWin::RunMessageLoop() {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace tesso
