// Under Wine: the window base's answer to a DPI change, the executable's resources (this
// program carries tesso.exe's icon and manifest) and the command line as Windows splits it.
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

// Real windows only: the shell's integration tests show the window's place, title, child
// content and closing with tesso.exe; a DPI change while it runs they cannot bring about.
TEST(Win32Window, TakesTheRectangleSuggestedWithADpiChange) {
  tesso::Win32Window window;
  ASSERT_TRUE(window.Create(L"Tesso", {10, 10}, {1280, 720}));
  RECT suggested = {30, 40, 30 + 960, 40 + 720};
  EXPECT_EQ(SendMessageW(window.GetHandle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                         reinterpret_cast<LPARAM>(&suggested)),
            0);
  RECT rect = {};
  GetWindowRect(window.GetHandle(), &rect);
  EXPECT_THAT(std::vector<LONG>({rect.left, rect.top, rect.right, rect.bottom}),
              ElementsAre(30, 40, 990, 760));
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
