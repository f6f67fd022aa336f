// Process start-up against a recording start-up port (the console, COM, the single instance,
// the command line, the window, the loop and the teardown order), and the command line itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/string_conversions.h"
#include "messaging/engine_project.h"
#include "runner/command_line.h"
#include "runner/start_up.h"
#include "runner/start_up_port.h"
#include "runner/theme.h"
#include "tests/unit/value_description.h"
#include "tray/window_channel.h"

namespace tesso_test {
namespace {

// Logs every call in order as "Name arg arg" (the host window's calls and its destruction
// included) and answers as told.
class FakeStartUpPort : public tesso::StartUpPort, public tesso::HostWindow {
 public:
  bool attach_console = false, debugger_present = false, alloc_console = true;
  bool reopen_output = true, reopen_error = true, create_window = true;
  tesso::KernelHandle mutex = static_cast<tesso::KernelHandle>(0x1A4);
  uint32_t last_error = 0;
  std::vector<std::string> arguments, calls;

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
  // The project and the start-hidden flag as one line; the window is this port's own face.
  std::unique_ptr<tesso::HostWindow> MakeHostWindow(const flutter::EngineProject& p,
                                                    bool hidden) override {
    std::string line = "MakeHostWindow " + tesso::WideToUtf8(p.assets_path) + " " +
                       tesso::WideToUtf8(p.icu_data_path) + " " +
                       tesso::WideToUtf8(p.aot_library_path) + " entry=" + p.dart_entrypoint +
                       " args=";
    for (const std::string& argument : p.dart_entrypoint_arguments) line += "[" + argument + "]";
    Log(line + " " + std::to_string(p.option_a) + " " + std::to_string(p.option_b) +
        (hidden ? " hidden" : " shown"));
    return std::unique_ptr<tesso::HostWindow>(new Window{this});
  }
  void RunMessageLoop() override { Log("RunMessageLoop"); }
  bool Create(const std::u16string& title, int32_t x, int32_t y, int32_t width,
              int32_t height) override {
    return Log("HostWindow::Create " + tesso::WideToUtf8(title) + " " + std::to_string(x) + " " +
                   std::to_string(y) + " " + std::to_string(width) + " " + std::to_string(height),
               create_window);
  }
  void SetQuitOnClose(bool quit) override {
    Log(std::string("HostWindow::SetQuitOnClose ") + (quit ? "true" : "false"));
  }

 private:
  // Forwards to the port, which records; its destruction is a call too.
  struct Window : tesso::HostWindow {
    explicit Window(FakeStartUpPort* owner) : port(owner) {}
    ~Window() override { port->Log("~HostWindow"); }
    bool Create(const std::u16string& t, int32_t x, int32_t y, int32_t w, int32_t h) override {
      return port->Create(t, x, y, w, h);
    }
    void SetQuitOnClose(bool quit) override { port->SetQuitOnClose(quit); }
    FakeStartUpPort* port;
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

const Calls kConsole = {"AttachConsole 0xFFFFFFFF", "IsDebuggerPresent"};
const Calls kComAndMutex = {"CoInitializeEx 0x2", "CreateMutexW Local\\Halvo.SingleInstance"};
const std::string kMake =
    "MakeHostWindow data\\flutter_assets data\\icudtl.dat data\\app.so entry= args=";
const Calls kWindow = {"HostWindow::Create Tesso 10 10 1280 720", "HostWindow::SetQuitOnClose true",
                       "RunMessageLoop"};
const Calls kTeardown = {"CloseHandle 0x1A4", "CoUninitialize", "~HostWindow"};
// From CoInitializeEx on, for a first instance whose window is created.
const Calls kFirstInstance =
    kComAndMutex + Calls{"GetLastError", "GetCommandLineArguments", kMake + " 0 0 shown"} +
    kWindow + kTeardown;
const Calls kDiagnosticConsole = {"ReopenStandardStream stdout CONOUT$ w",
                                  "ReopenStandardStream stderr CONOUT$ w", "SyncWithStdio",
                                  "ResyncEngineOutputStreams"};

TEST(StartUp, EveryPathRunsItsStepsInOrderAndTearsDownMutexComThenWindow) {
  struct Case {
    const char* name;
    void (*setup)(FakeStartUpPort&);
    int exit_code;
    Calls calls;
  };
  using P = FakeStartUpPort&;
  // clang-format off
  const Case cases[] = {
      {"first instance", [](P) {}, 0, kConsole + kFirstInstance},
      {"inherited console: no debugger check",
       [](P p) { p.attach_console = p.debugger_present = true; }, 0,
       Calls{"AttachConsole 0xFFFFFFFF"} + kFirstInstance},
      {"debugger: a diagnostic console before COM", [](P p) { p.debugger_present = true; }, 0,
       kConsole + Calls{"AllocConsole"} + kDiagnosticConsole + kFirstInstance},
      {"no console to be had", [](P p) { p.debugger_present = true, p.alloc_console = false; }, 0,
       kConsole + Calls{"AllocConsole"} + kFirstInstance},
      {"streams not reopened: stdout duplicated onto each",
       [](P p) { p.debugger_present = true, p.reopen_output = p.reopen_error = false; }, 0,
       kConsole + Calls{"AllocConsole", "ReopenStandardStream stdout CONOUT$ w",
                        "DuplicateStandardOutputOnto 1", "ReopenStandardStream stderr CONOUT$ w",
                        "DuplicateStandardOutputOnto 2", "SyncWithStdio",
                        "ResyncEngineOutputStreams"} + kFirstInstance},
      {"stderr not reopened", [](P p) { p.debugger_present = true, p.reopen_error = false; }, 0,
       kConsole + Calls{"AllocConsole", "ReopenStandardStream stdout CONOUT$ w",
                        "ReopenStandardStream stderr CONOUT$ w", "DuplicateStandardOutputOnto 2",
                        "SyncWithStdio", "ResyncEngineOutputStreams"} + kFirstInstance},
      {"second instance wakes the first", [](P p) { p.last_error = 183; }, 0,
       kConsole + kComAndMutex +
           Calls{"GetLastError", "AllowSetForegroundWindow 0xFFFFFFFF",
                 "RegisterWindowMessageW Halvo.ShowMainWindow", "PostMessageW 0xFFFF 0xC0DE 0 0",
                 "CloseHandle 0x1A4", "CoUninitialize"}},
      {"another error means a first instance", [](P p) { p.last_error = 5; }, 0,
       kConsole + kFirstInstance},
      {"no mutex: unprotected, no handle closed",
       [](P p) { p.mutex = tesso::KernelHandle::kNone, p.last_error = 183; }, 0,
       kConsole + kComAndMutex + Calls{"GetCommandLineArguments", kMake + " 0 0 shown"} + kWindow +
           Calls{"CoUninitialize", "~HostWindow"}},
      {"no window: code 1 without loop or teardown", [](P p) { p.create_window = false; }, 1,
       kConsole + kComAndMutex +
           Calls{"GetLastError", "GetCommandLineArguments", kMake + " 0 0 shown",
                 "HostWindow::Create Tesso 10 10 1280 720", "~HostWindow"}},
      // The arguments all reach the engine, the hidden option included; look-alikes do not count.
      {"hidden", [](P p) { p.arguments = {"two words", "--hidden", ""}; }, 0,
       kConsole + kComAndMutex +
           Calls{"GetLastError", "GetCommandLineArguments",
                 kMake + "[two words][--hidden][] 0 0 hidden"} + kWindow + kTeardown},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStartUpPort port;
    c.setup(port);
    EXPECT_EQ(tesso::RunProcess(port), c.exit_code);
    EXPECT_THAT(port.calls, testing::ElementsAreArray(c.calls));
  }
  // The window service listens for the message a second instance broadcasts.
  EXPECT_EQ(std::u16string(tesso::kShowMainWindowMessageName),
            std::u16string(tesso::WindowChannel::kShowWindowMessageName));
}

TEST(CommandLine, ArgumentsAfterTheProgramPathInUtf8AndTheExactHiddenOption) {
  const std::u16string unpaired{u'x', 0xD800};
  struct Case {
    std::vector<std::u16string> argv;
    std::vector<std::string> arguments;
    bool hidden;
  };
  const Case cases[] = {
      {{}, {}, false},
      {{u"tesso.exe"}, {}, false},
      {{u"--hidden"}, {}, false},  // the program path does not count
      {{u"--hidden", u"a"}, {"a"}, false},
      {{u"C:\\Tesso\\tesso.exe", u"--hidden", u"b", u"a"}, {"--hidden", "b", "a"}, true},
      {{u"tesso.exe", u"a", u"--hidden"}, {"a", "--hidden"}, true},
      {{u"tesso.exe", u"--hidden", u"--hidden"}, {"--hidden", "--hidden"}, true},
      {{u"tesso.exe", u"\u8FDC\u7A0B", u"\U0001F600"},
       {"\xE8\xBF\x9C\xE7\xA8\x8B", "\xF0\x9F\x98\x80"},
       false},
      // An unconvertible argument becomes empty in its place.
      {{u"tesso.exe", u"a", unpaired, u"", u"b"}, {"a", "", "", "b"}, false},
      {{u"tesso.exe", u"--HIDDEN", u"--hidden=1", u"hidden", u" --hidden", u"--hidden ", u"--hidde",
        u"--hiddenx"},
       {"--HIDDEN", "--hidden=1", "hidden", " --hidden", "--hidden ", "--hidde", "--hiddenx"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const std::vector<std::string> arguments = tesso::ArgumentsAfterProgramPath(c.argv);
    EXPECT_EQ(arguments, c.arguments);
    EXPECT_EQ(tesso::IsStartHidden(arguments), c.hidden);
  }
  // Compared over the whole argument, not up to a NUL.
  EXPECT_FALSE(tesso::IsStartHidden({std::string("--hidden\0", 9)}));
}

TEST(Theme, DarkTitleBarOnlyWhenAppsDoNotUseTheLightTheme) {
  for (uint32_t value : {0u, 1u, 2u, 0xFFFFFFFFu}) {
    EXPECT_EQ(tesso::DarkTitleBarForLightThemeValue(value), value == 0) << value;
  }
}

}  // namespace
}  // namespace tesso_test
