// Under Wine: what only real windows show of the window base (DPI changes, child content,
// re-creation, the class's lifetime), the executable's resources (this program carries
// tesso.exe's icon and manifest) and the command line as Windows splits it.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runner/command_line.h"
#include "runner/command_line_win.h"
#include "runner/win32_window.h"

namespace {

using testing::ElementsAre;

bool ClassRegistered() {
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  return GetClassInfoExW(GetModuleHandleW(nullptr), L"FLUTTER_RUNNER_WIN32_WINDOW", &info) != 0;
}

// A window whose hooks log what they saw.
class TestWindow : public tesso::Win32Window {
 public:
  bool on_create_result = true;
  std::vector<std::string> log;

 protected:
  bool OnCreate() override {
    log.push_back(GetHandle() != nullptr ? "OnCreate with handle" : "OnCreate without handle");
    return on_create_result;
  }
  void OnDestroy() override { log.push_back("OnDestroy"); }
};

std::vector<LONG> Rect(HWND window, HWND parent = HWND_DESKTOP) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// Removes and returns the queued WM_QUIT's exit code, or -1 when there is none.
int TakeQuitMessage() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
    DispatchMessageW(&message);
  }
  return -1;
}

TEST(Win32Window, FollowsDpiChangesChildSizeRecreationQuitOnCloseAndTheClassLifetime) {
  {
    TestWindow window;
    ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {1280, 720}));
    const HWND handle = window.GetHandle();
    RECT suggested = {30, 40, 30 + 960, 40 + 720};
    SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_THAT(Rect(handle), ElementsAre(30, 40, 990, 760));
    // Child content fills the client area and follows resizing.
    const HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                       GetDesktopWindow(), nullptr, nullptr, nullptr);
    window.SetChildContent(child);
    EXPECT_EQ(GetParent(child), handle);
    SetWindowPos(handle, nullptr, 0, 0, 640, 700, SWP_NOMOVE | SWP_NOZORDER);
    const RECT client = window.GetClientArea();
    EXPECT_THAT(Rect(child, handle),
                ElementsAre(client.left, client.top, client.right, client.bottom));
    // A second Create destroys the first window; a refused one stays in place.
    window.on_create_result = false;
    EXPECT_FALSE(window.Create(L"two", {10, 10}, {300, 200}));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_TRUE(IsWindow(window.GetHandle()));
    {
      TestWindow second;
      ASSERT_TRUE(second.Create(L"b", {20, 20}, {300, 200}));
      SendMessageW(second.GetHandle(), WM_CLOSE, 0, 0);  // quit on close is off by default
      EXPECT_EQ(TakeQuitMessage(), -1);
      ASSERT_TRUE(second.Create(L"c", {20, 20}, {300, 200}));
      second.SetQuitOnClose(true);
      SendMessageW(second.GetHandle(), WM_CLOSE, 0, 0);
      EXPECT_EQ(second.GetHandle(), nullptr);
      EXPECT_EQ(TakeQuitMessage(), 0);
    }
    EXPECT_TRUE(ClassRegistered());  // one window object is left: the class stays
    EXPECT_THAT(window.log, ElementsAre("OnDestroy", "OnCreate with handle", "OnDestroy",
                                        "OnDestroy", "OnCreate with handle"));
  }
  EXPECT_FALSE(ClassRegistered());
  TestWindow again;
  EXPECT_TRUE(again.Create(L"c", {10, 10}, {300, 200}));
  EXPECT_TRUE(ClassRegistered());
}

std::string ResourceBytes(LPCWSTR name, LPCWSTR type) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (found == nullptr) return {};
  const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
  return std::string(data, SizeofResource(nullptr, found));
}

TEST(ExecutableResources, IconOfSixSizesAndAPerMonitorV2AsInvokerManifest) {
  const std::string group = ResourceBytes(MAKEINTRESOURCEW(101), RT_GROUP_ICON);
  std::vector<int> sizes;  // header of three WORDs, then entries of 14 bytes
  for (size_t entry = 6; entry + 14 <= group.size(); entry += 14) {
    const auto width = static_cast<uint8_t>(group[entry]);
    EXPECT_EQ(group[entry + 1] * 100 + group[entry + 6],
              group[entry] * 100 + 32);  // square, 32 bpp
    sizes.push_back(width == 0 ? 256 : width);
  }
  EXPECT_THAT(sizes, testing::UnorderedElementsAre(16, 24, 32, 48, 64, 256));
  const std::string manifest = ResourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST);
  for (const char* part : {">PerMonitorV2</dpiAwareness>", "level=\"asInvoker\"",
                           "uiAccess=\"false\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

TEST(WindowsCommandLine, SplitByTheShellRulesAfterTheProgramPathEachConvertedOrEmptied) {
  const struct {
    std::u16string command_line;
    std::vector<std::string> arguments;
  } cases[] = {
      {u"\"C:\\Program Files\\Tesso\\tesso.exe\" a \"b c\" --hidden", {"a", "b c", "--hidden"}},
      {u"tesso.exe x\\\"y \"\"", {"x\"y", ""}},
      {u"tesso.exe   ", {}},
      {u"tesso.exe \u8FDC\u7A0B \xD800x --Hidden", {"\xE8\xBF\x9C\xE7\xA8\x8B", "", "--Hidden"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tesso::ArgumentsFromCommandLine(c.command_line), c.arguments);
  }
  // This process's own, as the runtime split it for gtest.
  std::vector<std::string> expected = testing::internal::GetArgvs();
  expected.erase(expected.begin());
  EXPECT_EQ(tesso::GetCommandLineArguments(), expected);
}

}  // namespace
