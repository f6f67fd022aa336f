// The input ports on Windows under Wine: the guard and the integrity check through the
// session adapter, and the display catalogue through the display adapter on the screens
// the run was given (TESSO_SCREENS, "WxH,WxH,...", laid side by side from (0, 0); one
// 1280x1024 screen when unset, as scripts/wine-run makes).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "base/unique_handle_win.h"
#include "input/display_catalogue.h"
#include "input/display_port_win.h"
#include "input/input_desktop_guard.h"
#include "input/session_port_win.h"

namespace tesso_test {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

tesso::WindowHandle Handle(HWND window) {
  return static_cast<tesso::WindowHandle>(reinterpret_cast<uintptr_t>(window));
}

TEST(InputSessionPortWin, TheInputDesktopIsTheUsersOwn) {
  tesso::SessionPortWin port;
  EXPECT_EQ(tesso::GetInputDesktopState(port), tesso::InputDesktopState::NormalDesktop);

  uint32_t error = 0;
  const tesso::DesktopHandle desktop = port.OpenInputDesktop(0, false, 1, &error);
  ASSERT_NE(desktop, tesso::DesktopHandle::kNone) << error;
  std::u16string name, truncated;
  EXPECT_TRUE(port.GetUserObjectName(desktop, 128, &name));
  EXPECT_FALSE(port.GetUserObjectName(desktop, 8, &truncated));  // "Default" needs 16 bytes
  port.CloseDesktop(desktop);
  EXPECT_EQ(name, u"Default");
}

TEST(InputSessionPortWin, OwnAndForeignWindowsAreNotOfHigherIntegrity) {
  tesso::SessionPortWin port;
  uint32_t own_level = 0;
  ASSERT_TRUE(tesso::GetIntegrityLevel(port, port.GetCurrentProcess(), &own_level));
  EXPECT_GE(own_level, 0x1000u);  // at least low mandatory level

  tesso::UniqueWindow own(::CreateWindowExW(0, L"STATIC", L"own", WS_POPUP, 0, 0, 10, 10, nullptr,
                                            nullptr, nullptr, nullptr));
  ASSERT_TRUE(own.is_valid());
  EXPECT_FALSE(tesso::IsHigherIntegrityWindow(port, Handle(own.get())));

  // The desktop window belongs to Wine's explorer, another process of the same user.
  const uint32_t explorer = port.GetWindowThreadProcessId(Handle(::GetDesktopWindow()));
  ASSERT_NE(explorer, 0u);
  ASSERT_NE(explorer, port.GetCurrentProcessId());
  const tesso::ProcessHandle process = port.OpenProcess(0x1000, false, explorer);
  ASSERT_NE(process, tesso::ProcessHandle::kNone);
  uint32_t explorer_level = 0;
  EXPECT_TRUE(tesso::GetIntegrityLevel(port, process, &explorer_level));
  port.CloseProcess(process);
  EXPECT_EQ(explorer_level, own_level);
  EXPECT_FALSE(tesso::IsHigherIntegrityWindow(port, Handle(::GetDesktopWindow())));
}

struct Size {
  int32_t width, height;
};

std::vector<Size> ExpectedScreens() {
  const char* text = std::getenv("TESSO_SCREENS");
  std::stringstream list(text != nullptr && *text != '\0' ? text : "1280x1024");
  std::vector<Size> sizes;
  std::string item;
  while (std::getline(list, item, ',')) {
    Size size{};
    char x = 0;
    std::stringstream(item) >> size.width >> x >> size.height;
    sizes.push_back(size);
  }
  return sizes;
}

std::string Text(const EncodableValue& entry, const char* key) {
  const auto& map = std::get<EncodableMap>(entry);
  return std::get<std::string>(map.at(EncodableValue(key)));
}

TEST(InputDisplayPortWin, ListsTheScreensSideBySideInCatalogueOrder) {
  tesso::DisplayPortWin port;
  const std::vector<Size> screens = ExpectedScreens();
  const std::vector<tesso::DisplayInfo> displays = tesso::EnumerateDisplays(port);
  const EncodableValue list = tesso::BuildDisplayList(port, 0);
  ASSERT_EQ(displays.size(), screens.size());
  ASSERT_EQ(std::get<flutter::EncodableList>(list).size(), screens.size());

  int32_t left = 0, bottom = 0;
  for (size_t i = 0; i < screens.size(); ++i) {
    SCOPED_TRACE(i);
    const tesso::DisplayInfo& d = displays[i];
    const Size& s = screens[i];
    EXPECT_EQ(std::vector<int32_t>({d.left, d.top, d.right, d.bottom, d.is_primary}),
              std::vector<int32_t>({left, 0, left + s.width, s.height, i == 0}));
    const POINT inside{left + s.width / 2, s.height / 2};
    EXPECT_EQ(static_cast<uintptr_t>(d.monitor),
              reinterpret_cast<uintptr_t>(::MonitorFromPoint(inside, MONITOR_DEFAULTTONULL)));
    const std::string size = std::to_string(s.width) + "\xC3\x97" + std::to_string(s.height);
    EXPECT_EQ(Text(std::get<flutter::EncodableList>(list)[i], "name"),
              (i == 0 ? "主显示器 (" : "显示器 " + std::to_string(i + 1) + " (") + size + ")");
    left += s.width;
    bottom = std::max(bottom, s.height);
  }
  const tesso::ScreenRect screen = tesso::GetVirtualScreenRect(port);
  EXPECT_EQ(std::vector<int32_t>({screen.left, screen.top, screen.right, screen.bottom}),
            std::vector<int32_t>({0, 0, left, bottom}));
}

}  // namespace
}  // namespace tesso_test
