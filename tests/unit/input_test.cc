// The input library's queries against scripted ports: the input-desktop guard and the integrity
// check, each answer with the whole list of platform calls behind it (every opened handle
// closed), and the display catalogue's order, out-of-range rule and "listDisplays" maps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/display_catalogue.h"
#include "input/input_desktop_guard.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using flutter::EncodableValue;

TEST(InputDesktopGuard, ClassifiesTheInputDesktop) {
  constexpr auto kNormal = tesso::InputDesktopState::NormalDesktop;
  constexpr auto kLocked = tesso::InputDesktopState::SessionLocked;
  constexpr auto kSecure = tesso::InputDesktopState::SecureDesktop;
  const tesso::SessionInfoEx lock{1, 0}, unlocked{1, 1};
  const Calls open = {"OpenInputDesktop(0, 0, 1)"};
  const Calls named = open + Calls{"GetUserObjectName(208, 128)", "CloseDesktop(208)"};
  const Calls query = {"QuerySessionInfoEx(4294967295)"};
  const struct {
    std::optional<uint32_t> open_error;
    std::optional<std::u16string> name;
    std::optional<tesso::SessionInfoEx> session;
    tesso::InputDesktopState expected;
    Calls calls;
  } cases[] = {
      // clang-format off
      {{}, u"Default", lock, kNormal, named},  // the lock is not asked
      {{}, u"DEFAULT", lock, kNormal, named},
      {{}, u"Vefault", lock, kLocked, named + query},
      {{}, u"Winlogon", unlocked, kSecure, named + query},
      {{}, u"Winlogon", tesso::SessionInfoEx{2, 0}, kSecure, named + query},  // flags unread
      {{}, u"Winlogon", std::nullopt, kSecure, named + query},  // the query fails
      {5u, u"Default", lock, kLocked, open + query},  // access denied
      {6u, u"Default", lock, kNormal, open},  // any other error
      {{}, std::nullopt, lock, kNormal, named},  // the name unreadable
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeSessionPort port;
    port.desktop_open_error = c.open_error;
    port.desktop_name = c.name;
    port.session = c.session;
    EXPECT_EQ(tesso::GetInputDesktopState(port), c.expected);
    EXPECT_THAT(port.calls, testing::ElementsAreArray(c.calls));
  }
}

TEST(InputDesktopGuard, BlocksOnlyWindowsOfAHigherLevel) {
  // This process is 100 (pseudo handle -1, token 101); window 7 belongs to process 200.
  const Calls window = {"GetWindowThreadProcessId(7)"};
  const Calls own =
      window + Calls{"GetCurrentProcessId()", "GetCurrentProcess()", "OpenProcessToken(-1, 8)"};
  const Calls opened = own + Calls{"GetTokenIntegrityLabel(101, 84)", "CloseToken(101)",
                                   "OpenProcess(4096, 0, 200)"};
  const Calls token = opened + Calls{"OpenProcessToken(200, 8)"};
  const Calls read =
      token + Calls{"GetTokenIntegrityLabel(201, 84)", "CloseToken(201)", "CloseProcess(200)"};
  const struct {
    uintptr_t window;
    uint32_t owner_pid;
    std::vector<uint32_t> owner_label;
    std::string failing;
    bool expected;
    Calls calls;
  } cases[] = {
      // clang-format off
      {0, 200, {0x3000}, "", false, {}},
      {7, 0, {0x3000}, "", false, window},
      {7, 100, {0x3000}, "", false, window + Calls{"GetCurrentProcessId()"}},
      {7, 200, {0x3000}, own.back(), false, own},
      {7, 200, {0x3000}, opened[opened.size() - 3], false, Calls(opened.begin(), opened.end() - 1)},
      {7, 200, {0x3000}, opened.back(), false, opened},
      {7, 200, {0x3000}, token.back(), false, token + Calls{"CloseProcess(200)"}},
      {7, 200, {0x3000}, "GetTokenIntegrityLabel(201, 84)", false, read},
      {7, 200, {0x2000}, "", false, read},
      {7, 200, {0x3000}, "", true, read},
      {7, 200, {0x1000}, "", false, read},
      {7, 200, {0x4000, 0x1000}, "", false, read},  // the last sub-authority counts
      {7, 200, {}, "", false, read},  // a label without sub-authorities reads as unknown
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeSessionPort port;
    port.window_pids = {{7, c.owner_pid}};
    port.labels[200] = c.owner_label;
    port.failing = c.failing;
    EXPECT_EQ(tesso::IsHigherIntegrityWindow(port, tesso::WindowHandle{c.window}), c.expected);
    EXPECT_THAT(port.calls, testing::ElementsAreArray(c.calls));
  }
}

EncodableValue Entry(int32_t index, const char* name, int32_t width, int32_t height, bool main,
                     bool selected) {
  return EncodableValue(
      flutter::EncodableMap{{EncodableValue("index"), EncodableValue(index)},
                            {EncodableValue("name"), EncodableValue(name)},
                            {EncodableValue("width"), EncodableValue(width)},
                            {EncodableValue("height"), EncodableValue(height)},
                            {EncodableValue("isMain"), EncodableValue(main)},
                            {EncodableValue("selected"), EncodableValue(selected)}});
}

flutter::EncodableList Three(int32_t selected) {
  return {Entry(0, "主显示器 (1920×1080)", 1920, 1080, true, selected == 0),
          Entry(1, "显示器 2 (2560×1440)", 2560, 1440, false, selected == 1),
          Entry(2, "显示器 3 (1280×1024)", 1280, 1024, false, selected == 2)};
}

TEST(DisplayCatalogue, ListsInCatalogueOrder) {
  // Primary 1920x1080 at (0, 0), 2560x1440 at (-2560, 0), 1280x1024 at (1920, 0), reported in
  // none of the catalogue's orders.
  const std::vector<FakeMonitor> three = {Monitor(3, 1920, 0, 1280, 1024),
                                          Monitor(1, 0, 0, 1920, 1080, true),
                                          Monitor(2, -2560, 0, 2560, 1440)};
  using tesso::MonitorHandle;
  const struct {
    std::vector<FakeMonitor> monitors;
    int32_t selected;
    flutter::EncodableList list;
  } cases[] = {
      // clang-format off
      {three, 1, Three(1)},
      {three, 3, Three(0)},  // out of range: position 0
      {three, -1, Three(0)},
      // The same left edge: the smaller top first.
      {{Monitor(1, 0, 1024, 1280, 1024), Monitor(2, 0, -1080, 1920, 1080)}, 1,
       {Entry(0, "显示器 1 (1920×1080)", 1920, 1080, false, false),
        Entry(1, "显示器 2 (1280×1024)", 1280, 1024, false, true)}},
      // Only flag bit 0 means primary; a monitor whose information fails is left out.
      {{{MonitorHandle{1}, {-800, 0, 0, 600, 2}},
        {MonitorHandle{2}, {-1600, 0, -800, 600, 1}, true},
        Monitor(3, 0, 0, 1024, 768, true)}, 0,
       {Entry(0, "主显示器 (1024×768)", 1024, 768, true, true),
        Entry(1, "显示器 2 (800×600)", 800, 600, false, false)}},
      {{}, 0, {}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeDisplayPort port;
    port.monitors = c.monitors;
    EXPECT_EQ(Describe(tesso::BuildDisplayList(port, c.selected)), Describe(c.list));
    using testing::EndsWith;  // MONITORINFO is 40 bytes
    EXPECT_THAT(port.calls, testing::Each(testing::AnyOf("EnumDisplayMonitors", EndsWith(" 40"))));
  }
}

}  // namespace
}  // namespace tesso_test
