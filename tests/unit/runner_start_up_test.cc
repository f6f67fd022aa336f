// Process start-up against a recording start-up port: the console, COM, the single
// instance, the command line, the window, the loop and the teardown order; and the fixed
// values of start-up and of the window base.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/start_up.h"
#include "runner/theme.h"
#include "tests/fakes/fake_start_up_port.h"
#include "tray/window_channel.h"

namespace tesso_test {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

const char kAttach[] = "AttachConsole 0xFFFFFFFF";
const char kCom[] = "CoInitializeEx 0x2";
const char kMutex[] = "CreateMutexW Local\\Halvo.SingleInstance";

// The calls from CoInitializeEx on, for a first instance whose window is created.
std::vector<std::string> FirstInstanceFromCom() {
  return {kCom,
          kMutex,
          "GetLastError",
          "GetCommandLineArguments",
          "MakeHostWindow",
          "HostWindow::Create Tesso 10 10 1280 720",
          "HostWindow::SetQuitOnClose true",
          "RunMessageLoop",
          "CloseHandle 0x1A4",
          "CoUninitialize",
          "~HostWindow"};
}

std::vector<std::string> Concat(std::vector<std::string> head,
                                const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(StartUp, FirstInstanceRunsEveryStepInOrderAndTearsDownMutexComThenWindow) {
  FakeStartUpPort port;
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls,
              ElementsAreArray(Concat({kAttach, "IsDebuggerPresent"}, FirstInstanceFromCom())));
}

TEST(StartUp, InheritedConsoleSkipsTheDebuggerCheck) {
  FakeStartUpPort port;
  port.attach_console = true;
  port.debugger_present = true;
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls, ElementsAreArray(Concat({kAttach}, FirstInstanceFromCom())));
}

TEST(StartUp, DebuggerWithoutConsoleGetsADiagnosticConsoleBeforeCom) {
  FakeStartUpPort port;
  port.debugger_present = true;
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls, ElementsAreArray(Concat({kAttach, "IsDebuggerPresent", "AllocConsole",
                                                   "ReopenStandardStream stdout CONOUT$ w",
                                                   "ReopenStandardStream stderr CONOUT$ w",
                                                   "SyncWithStdio", "ResyncEngineOutputStreams"},
                                                  FirstInstanceFromCom())));
}

TEST(StartUp, DiagnosticConsoleThatCannotBeCreatedDoesNothingMore) {
  FakeStartUpPort port;
  port.alloc_console = false;
  tesso::AttachDiagnosticConsole(port);
  EXPECT_THAT(port.calls, ElementsAre("AllocConsole"));
}

TEST(StartUp, DiagnosticConsoleFallsBackToDuplicatingStdoutForEachStreamNotReopened) {
  FakeStartUpPort port;
  port.reopen_output = false;
  port.reopen_error = false;
  tesso::AttachDiagnosticConsole(port);
  EXPECT_THAT(
      port.calls,
      ElementsAre("AllocConsole", "ReopenStandardStream stdout CONOUT$ w",
                  "DuplicateStandardOutputOnto 1", "ReopenStandardStream stderr CONOUT$ w",
                  "DuplicateStandardOutputOnto 2", "SyncWithStdio", "ResyncEngineOutputStreams"));
}

TEST(StartUp, DiagnosticConsoleDuplicatesOnlyForTheStreamThatFailed) {
  FakeStartUpPort port;
  port.reopen_error = false;
  tesso::AttachDiagnosticConsole(port);
  EXPECT_THAT(port.calls,
              ElementsAre("AllocConsole", "ReopenStandardStream stdout CONOUT$ w",
                          "ReopenStandardStream stderr CONOUT$ w", "DuplicateStandardOutputOnto 2",
                          "SyncWithStdio", "ResyncEngineOutputStreams"));
}

TEST(StartUp, SecondInstanceWakesTheFirstAndLeavesWithCodeZero) {
  FakeStartUpPort port;
  port.last_error = 183;  // ERROR_ALREADY_EXISTS
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls,
              ElementsAre(kAttach, "IsDebuggerPresent", kCom, kMutex, "GetLastError",
                          "AllowSetForegroundWindow 0xFFFFFFFF",
                          "RegisterWindowMessageW Halvo.ShowMainWindow",
                          "PostMessageW 0xFFFF 0xC0DE 0 0", "CloseHandle 0x1A4", "CoUninitialize"));
  EXPECT_FALSE(port.project.has_value());
}

TEST(StartUp, OtherErrorAfterCreatingTheMutexMeansAFirstInstance) {
  FakeStartUpPort port;
  port.last_error = 5;
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls,
              ElementsAreArray(Concat({kAttach, "IsDebuggerPresent"}, FirstInstanceFromCom())));
}

TEST(StartUp, WithoutAMutexTheProcessRunsUnprotectedAndClosesNoHandle) {
  FakeStartUpPort port;
  port.mutex = tesso::KernelHandle::kNone;
  port.last_error = 183;
  EXPECT_EQ(tesso::RunProcess(port), 0);
  EXPECT_THAT(port.calls,
              ElementsAre(kAttach, "IsDebuggerPresent", kCom, kMutex, "GetCommandLineArguments",
                          "MakeHostWindow", "HostWindow::Create Tesso 10 10 1280 720",
                          "HostWindow::SetQuitOnClose true", "RunMessageLoop", "CoUninitialize",
                          "~HostWindow"));
}

TEST(StartUp, WindowThatCannotBeCreatedEndsWithCodeOneWithoutLoopOrTeardown) {
  FakeStartUpPort port;
  port.create_window = false;
  EXPECT_EQ(tesso::RunProcess(port), 1);
  EXPECT_THAT(port.calls, ElementsAre(kAttach, "IsDebuggerPresent", kCom, kMutex, "GetLastError",
                                      "GetCommandLineArguments", "MakeHostWindow",
                                      "HostWindow::Create Tesso 10 10 1280 720", "~HostWindow"));
}

TEST(StartUp, EmptyCommandLineGivesTheDataProjectWithoutArgumentsAndNoHiddenStart) {
  FakeStartUpPort port;
  tesso::RunProcess(port);
  ASSERT_TRUE(port.project.has_value());
  EXPECT_EQ(port.project->assets_path, u"data\\flutter_assets");
  EXPECT_EQ(port.project->icu_data_path, u"data\\icudtl.dat");
  EXPECT_EQ(port.project->aot_library_path, u"data\\app.so");
  EXPECT_EQ(port.project->dart_entrypoint, "");
  EXPECT_THAT(port.project->dart_entrypoint_arguments, IsEmpty());
  EXPECT_EQ(port.project->option_a, 0);
  EXPECT_EQ(port.project->option_b, 0);
  EXPECT_EQ(port.start_hidden, false);
}

TEST(StartUp, HiddenOptionStartsHiddenAndStaysAmongTheArguments) {
  FakeStartUpPort port;
  port.arguments = {"two words", "--hidden", ""};
  tesso::RunProcess(port);
  EXPECT_EQ(port.start_hidden, true);
  ASSERT_TRUE(port.project.has_value());
  EXPECT_THAT(port.project->dart_entrypoint_arguments, ElementsAre("two words", "--hidden", ""));
}

TEST(StartUp, LookalikesOfTheHiddenOptionDoNotCount) {
  FakeStartUpPort port;
  port.arguments = {"--HIDDEN", "--hidden=1", "-hidden", "--Hidden"};
  tesso::RunProcess(port);
  EXPECT_EQ(port.start_hidden, false);
  ASSERT_TRUE(port.project.has_value());
  EXPECT_THAT(port.project->dart_entrypoint_arguments,
              ElementsAre("--HIDDEN", "--hidden=1", "-hidden", "--Hidden"));
}

TEST(StartUp, WakeMessageIsTheOneTheWindowServiceListensFor) {
  EXPECT_EQ(std::u16string(tesso::kShowMainWindowMessageName), u"Halvo.ShowMainWindow");
  EXPECT_EQ(std::u16string(tesso::kShowMainWindowMessageName),
            std::u16string(tesso::WindowChannel::kShowWindowMessageName));
}

TEST(StartUp, SingleInstanceMutexLivesInTheSessionNamespace) {
  EXPECT_EQ(std::u16string(tesso::kSingleInstanceMutexName), u"Local\\Halvo.SingleInstance");
}

TEST(StartUp, WindowIsTessoAtTenTenWith1280By720LogicalPixels) {
  EXPECT_EQ(std::u16string(tesso::kWindowTitle), u"Tesso");
  EXPECT_EQ(tesso::kWindowOriginX, 10);
  EXPECT_EQ(tesso::kWindowOriginY, 10);
  EXPECT_EQ(tesso::kWindowWidth, 1280);
  EXPECT_EQ(tesso::kWindowHeight, 720);
}

TEST(Theme, DarkTitleBarOnlyWhenAppsDoNotUseTheLightTheme) {
  EXPECT_TRUE(tesso::DarkTitleBarForLightThemeValue(0));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(1));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(2));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(0xFFFFFFFFu));
}

}  // namespace
}  // namespace tesso_test
