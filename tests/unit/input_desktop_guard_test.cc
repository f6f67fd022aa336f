// The input-desktop guard and the integrity check against a scripted session port: each answer
// with the whole list of platform calls behind it, where every opened handle is closed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "input/input_desktop_guard.h"
#include "tests/fakes/fake_session_port.h"

namespace tesso_test {
namespace {

using tesso::InputDesktopState;
using testing::ElementsAreArray;
using Calls = std::vector<std::string>;

Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr auto kNormal = InputDesktopState::NormalDesktop;
constexpr auto kLocked = InputDesktopState::SessionLocked;
constexpr auto kSecure = InputDesktopState::SecureDesktop;
const std::optional<tesso::SessionInfoEx> kLock = tesso::SessionInfoEx{1, 0};
const std::optional<tesso::SessionInfoEx> kUnlock = tesso::SessionInfoEx{1, 1};
const Calls kOpen = {"OpenInputDesktop(0, false, 1)"};
const Calls kNamed = kOpen + Calls{"GetUserObjectName(desktop, 128)", "CloseDesktop(desktop)"};
const Calls kAsked = kNamed + Calls{"QuerySessionInfoEx(4294967295)"};
const Calls kDeniedAsked = kOpen + Calls{"QuerySessionInfoEx(4294967295)"};

TEST(InputDesktopGuard, ClassifiesTheInputDesktop) {
  const struct {
    std::optional<uint32_t> open_error;
    std::optional<std::u16string> name;
    std::optional<tesso::SessionInfoEx> session;
    InputDesktopState expected;
    Calls calls;
  } cases[] = {
      {{}, u"Default", kLock, kNormal, kNamed},  // the lock is not asked
      {{}, u"default", kLock, kNormal, kNamed},
      {{}, u"DEFAULT", kLock, kNormal, kNamed},
      {{}, u"Default1", kLock, kLocked, kAsked},
      {{}, u"Vefault", kLock, kLocked, kAsked},
      {{}, u"Winlogon", kLock, kLocked, kAsked},
      {{}, u"Winlogon", kUnlock, kSecure, kAsked},
      {{}, u"Winlogon", tesso::SessionInfoEx{1, -1}, kSecure, kAsked},
      {{}, u"Winlogon", tesso::SessionInfoEx{2, 0}, kSecure, kAsked},  // level 2: flags unread
      {{}, u"Winlogon", std::nullopt, kSecure, kAsked},                // query fails
      {5u, std::nullopt, kLock, kLocked, kDeniedAsked},                // access denied
      {5u, std::nullopt, kUnlock, kSecure, kDeniedAsked},
      {6u, std::nullopt, kLock, kNormal, kOpen},   // any other error
      {{}, std::nullopt, kLock, kNormal, kNamed},  // name unreadable
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeSessionPort port;
    port.desktop_open_error = c.open_error;
    port.desktop_name = c.name;
    port.session = c.session;
    EXPECT_EQ(tesso::GetInputDesktopState(port), c.expected);
    EXPECT_THAT(port.calls, ElementsAreArray(c.calls));
  }
}

// This process is 100 at the medium level; window 7 belongs to process 200.
const Calls kWindow = {"GetWindowThreadProcessId(7)"};
const Calls kOwnToken = kWindow + Calls{"GetCurrentProcessId()", "GetCurrentProcess()",
                                        "OpenProcessToken(current process, 8)"};
const Calls kOwnRead =
    kOwnToken + Calls{"GetTokenIntegrityLabel(token 100, 84)", "CloseToken(token 100)"};
const Calls kOpened = kOwnRead + Calls{"OpenProcess(4096, false, 200)"};
const Calls kOwnerToken = kOpened + Calls{"OpenProcessToken(process 200, 8)"};
const Calls kOwnerRead = kOwnerToken + Calls{"GetTokenIntegrityLabel(token 200, 84)",
                                             "CloseToken(token 200)", "CloseProcess(process 200)"};

TEST(InputDesktopGuard, BlocksOnlyWindowsOfAHigherLevel) {
  const struct {
    uintptr_t window;
    uint32_t owner_pid;
    std::vector<uint32_t> own, owner;
    std::string failing;
    bool expected;
    Calls calls;
  } cases[] = {
      {0, 200, {0x2000}, {0x3000}, "", false, {}},  // no window
      {7, 0, {0x2000}, {0x3000}, "", false, kWindow},
      {7, 100, {0x2000}, {0x3000}, "", false, kWindow + Calls{"GetCurrentProcessId()"}},
      {7, 200, {0x2000}, {0x3000}, kOwnToken.back(), false, kOwnToken},
      {7, 200, {0x2000}, {0x3000}, "GetTokenIntegrityLabel(token 100, 84)", false, kOwnRead},
      {7, 200, {}, {0x3000}, "", false, kOwnRead},
      {7, 200, {0x2000}, {0x3000}, kOpened.back(), false, kOpened},
      {7,
       200,
       {0x2000},
       {0x3000},
       kOwnerToken.back(),
       false,
       kOwnerToken + Calls{"CloseProcess(process 200)"}},
      {7, 200, {0x2000}, {0x3000}, "GetTokenIntegrityLabel(token 200, 84)", false, kOwnerRead},
      {7, 200, {0x2000}, {}, "", false, kOwnerRead},
      {7, 200, {0x2000}, {0x2000}, "", false, kOwnerRead},
      {7, 200, {0x2000}, {0x3000}, "", true, kOwnerRead},
      {7, 200, {0x2000}, {0x1000}, "", false, kOwnerRead},
      {7, 200, {0x2000}, {0x4000, 0x1000}, "", false, kOwnerRead},  // the last sub-authority
      {7, 200, {0x2000}, {0x80000000u}, "", true, kOwnerRead},      // compared unsigned
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeSessionPort port;
    port.window_pids = {{7, c.owner_pid}};
    port.labels = {{100, c.own}, {200, c.owner}};
    port.failing = c.failing;
    EXPECT_EQ(tesso::IsHigherIntegrityWindow(port, tesso::WindowHandle{c.window}), c.expected);
    EXPECT_THAT(port.calls, ElementsAreArray(c.calls));
  }
}

}  // namespace
}  // namespace tesso_test
