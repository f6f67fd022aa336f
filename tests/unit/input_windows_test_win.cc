// The session and display adapters under Wine, the latter on the screens the run was given
// (TESSO_SCREENS, "WxH,...", side by side from (0, 0); one 1280x1024 screen when unset). Names,
// the virtual screen and input on each display: tests/integration/test_desktop_host.py.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/display_catalogue.h"
#include "input/display_port_win.h"
#include "input/input_desktop_guard.h"
#include "input/session_port_win.h"

namespace tesso_test {
namespace {

// The input desktop is the user's; this process, Wine's explorer (the desktop window's owner) and
// windows of either are of one integrity level, read from their tokens.
TEST(InputSessionPortWin, ReadsTheInputDesktopAndIntegrityLevels) {
  tesso::SessionPortWin port;
  EXPECT_EQ(tesso::GetInputDesktopState(port), tesso::InputDesktopState::NormalDesktop);
  uint32_t own = 0, explorer = 0;
  ASSERT_TRUE(tesso::GetIntegrityLevel(port, port.GetCurrentProcess(), &own));
  EXPECT_GE(own, 0x1000u);  // at least the low mandatory level
  const auto desktop_window =
      static_cast<tesso::WindowHandle>(reinterpret_cast<uintptr_t>(::GetDesktopWindow()));
  const uint32_t explorer_id = port.GetWindowThreadProcessId(desktop_window);
  ASSERT_NE(explorer_id, port.GetCurrentProcessId());
  const tesso::ProcessHandle process = port.OpenProcess(0x1000, false, explorer_id);
  ASSERT_NE(process, tesso::ProcessHandle::kNone);
  EXPECT_TRUE(tesso::GetIntegrityLevel(port, process, &explorer));
  port.CloseProcess(process);
  EXPECT_EQ(explorer, own);
  EXPECT_FALSE(tesso::IsHigherIntegrityWindow(port, desktop_window));
}

TEST(InputDisplayPortWin, ListsTheScreensSideBySideInCatalogueOrder) {
  const char* screens = std::getenv("TESSO_SCREENS");
  std::string list = screens != nullptr && *screens != '\0' ? screens : "1280x1024";
  tesso::DisplayPortWin port;
  const std::vector<tesso::DisplayInfo> displays = tesso::EnumerateDisplays(port);
  int32_t left = 0, width = 0, height = 0, used = 0;
  size_t i = 0;
  for (const char* p = list.c_str(); std::sscanf(p, "%dx%d%n", &width, &height, &used) == 2;
       p += used + (p[used] == ','), ++i) {
    SCOPED_TRACE(i);
    ASSERT_LT(i, displays.size());
    const tesso::DisplayInfo& d = displays[i];
    EXPECT_EQ(std::vector<int32_t>({d.left, d.top, d.right, d.bottom, d.is_primary}),
              std::vector<int32_t>({left, 0, left + width, height, i == 0}));
    const POINT inside{left + width / 2, height / 2};
    EXPECT_EQ(static_cast<uintptr_t>(d.monitor),
              reinterpret_cast<uintptr_t>(::MonitorFromPoint(inside, MONITOR_DEFAULTTONULL)));
    left += width;
  }
  EXPECT_EQ(i, displays.size());
}

}  // namespace
}  // namespace tesso_test
