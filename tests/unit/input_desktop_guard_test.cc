// The input-desktop guard and the integrity check against a scripted session port: each
// answer with the whole list of platform calls behind it, where every opened handle is closed.
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

const Calls kOpen = {"OpenInputDesktop(0, false, 1)"};
const Calls kOpenAndName =
    kOpen + Calls{"GetUserObjectName(desktop, 128)", "CloseDesktop(desktop)"};
const Calls kQuery = {"QuerySessionInfoEx(4294967295)"};

struct DesktopCase {
  std::string name;
  std::optional<uint32_t> open_error;
  std::optional<std::u16string> desktop_name;
  std::optional<tesso::SessionInfoEx> session;
  InputDesktopState expected;
  Calls calls;
};

const tesso::SessionInfoEx kLocked{1, 0};
const tesso::SessionInfoEx kUnlocked{1, 1};
constexpr std::nullopt_t kNo = std::nullopt;
constexpr InputDesktopState kNormal = InputDesktopState::NormalDesktop;
constexpr InputDesktopState kLockedState = InputDesktopState::SessionLocked;
constexpr InputDesktopState kSecure = InputDesktopState::SecureDesktop;

// Columns: open error, desktop name, session record, answer, calls.
const DesktopCase kDesktopCases[] = {
    {"Default, lock not asked", kNo, u"Default", kLocked, kNormal, kOpenAndName},
    {"default", kNo, u"default", kLocked, kNormal, kOpenAndName},
    {"DEFAULT", kNo, u"DEFAULT", kLocked, kNormal, kOpenAndName},
    {"Default1", kNo, u"Default1", kLocked, kLockedState, kOpenAndName + kQuery},
    {"Vefault", kNo, u"Vefault", kLocked, kLockedState, kOpenAndName + kQuery},
    {"Winlogon, locked", kNo, u"Winlogon", kLocked, kLockedState, kOpenAndName + kQuery},
    {"Winlogon, unlocked", kNo, u"Winlogon", kUnlocked, kSecure, kOpenAndName + kQuery},
    {"flags 0xFFFFFFFF", kNo, u"Winlogon", tesso::SessionInfoEx{1, -1}, kSecure,
     kOpenAndName + kQuery},
    {"level 2 with the lock flag", kNo, u"Winlogon", tesso::SessionInfoEx{2, 0}, kSecure,
     kOpenAndName + kQuery},
    {"query fails", kNo, u"Winlogon", kNo, kSecure, kOpenAndName + kQuery},
    {"access denied, locked", 5u, kNo, kLocked, kLockedState, kOpen + kQuery},
    {"access denied, unlocked", 5u, kNo, kUnlocked, kSecure, kOpen + kQuery},
    {"other open error", 6u, kNo, kLocked, kNormal, kOpen},
    {"name unreadable", kNo, kNo, kLocked, kNormal, kOpenAndName},
};

// The host is process 100 at the medium level; window 7 belongs to process 200.
const Calls kWindow = {"GetWindowThreadProcessId(7)"};
const Calls kOwnId = kWindow + Calls{"GetCurrentProcessId()", "GetCurrentProcess()",
                                     "OpenProcessToken(current process, 8)"};
const Calls kOwnRead =
    kOwnId + Calls{"GetTokenIntegrityLabel(token 100, 84)", "CloseToken(token 100)"};
const Calls kOwnLevel = kOwnRead + Calls{"OpenProcess(4096, false, 200)"};
const Calls kOwnerToken = kOwnLevel + Calls{"OpenProcessToken(process 200, 8)"};
const Calls kOwnerLevel = kOwnerToken + Calls{"GetTokenIntegrityLabel(token 200, 84)",
                                              "CloseToken(token 200)", "CloseProcess(process 200)"};

struct IntegrityCase {
  std::string name;
  uintptr_t window;
  uint32_t owner_pid;
  FakeProcess own, owner;
  bool expected;
  Calls calls;
};

FakeProcess Level(std::vector<uint32_t> sub_authorities) {
  FakeProcess process;
  process.label = sub_authorities;
  return process;
}

FakeProcess With(FakeProcess process, bool FakeProcess::*failure) {
  process.*failure = true;
  return process;
}

const FakeProcess kMedium = Level({0x2000});
const FakeProcess kHigh = Level({0x3000});
const FakeProcess kNoLabel = FakeProcess{false, false, std::nullopt};

const IntegrityCase kIntegrityCases[] = {
    {"null window", 0, 200, kMedium, kMedium, false, {}},
    {"window without a process", 7, 0, kMedium, kMedium, false, kWindow},
    {"own window", 7, 100, kMedium, kHigh, false, kWindow + Calls{"GetCurrentProcessId()"}},
    {"own token unreadable", 7, 200, With(kMedium, &FakeProcess::token_fails), kHigh, false,
     kOwnId},
    {"own label has no sub-authority", 7, 200, Level({}), kHigh, false, kOwnRead},
    {"process cannot be opened", 7, 200, kMedium, With(kHigh, &FakeProcess::open_fails), false,
     kOwnLevel},
    {"owner token cannot be opened", 7, 200, kMedium, With(kHigh, &FakeProcess::token_fails), false,
     kOwnerToken + Calls{"CloseProcess(process 200)"}},
    {"owner label unreadable", 7, 200, kMedium, kNoLabel, false, kOwnerLevel},
    {"owner label has no sub-authority", 7, 200, kMedium, Level({}), false, kOwnerLevel},
    {"same level", 7, 200, kMedium, kMedium, false, kOwnerLevel},
    {"higher level", 7, 200, kMedium, kHigh, true, kOwnerLevel},
    {"lower level", 7, 200, kMedium, Level({0x1000}), false, kOwnerLevel},
    {"level is the last sub-authority", 7, 200, kMedium, Level({0x4000, 0x1000}), false,
     kOwnerLevel},
    {"levels compare unsigned", 7, 200, kMedium, Level({0x80000000u}), true, kOwnerLevel},
};

class InputDesktopGuardTest : public testing::Test {
 protected:
  FakeSessionPort port_;
};

TEST_F(InputDesktopGuardTest, ClassifiesTheInputDesktop) {
  for (const DesktopCase& c : kDesktopCases) {
    SCOPED_TRACE(c.name);
    port_ = FakeSessionPort();
    port_.desktop_open_error = c.open_error;
    port_.desktop_name = c.desktop_name;
    port_.session = c.session;
    EXPECT_EQ(tesso::GetInputDesktopState(port_), c.expected);
    EXPECT_THAT(port_.calls, ElementsAreArray(c.calls));
  }
}

TEST_F(InputDesktopGuardTest, BlocksOnlyWindowsSeenAtAHigherLevel) {
  for (const IntegrityCase& c : kIntegrityCases) {
    SCOPED_TRACE(c.name);
    port_ = FakeSessionPort();
    port_.window_pids = {{7, c.owner_pid}};
    port_.processes = {{100, c.own}, {200, c.owner}};
    EXPECT_EQ(tesso::IsHigherIntegrityWindow(port_, static_cast<tesso::WindowHandle>(c.window)),
              c.expected);
    EXPECT_THAT(port_.calls, ElementsAreArray(c.calls));
  }
}

}  // namespace
}  // namespace tesso_test
