#include "input/input_desktop_guard.h"

#include <string>
#include <vector>

namespace tesso {
namespace {

constexpr uint32_t kDesktopReadObjects = 1;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kDesktopNameBufferBytes = 128;
constexpr uint32_t kCurrentSession = 0xFFFFFFFF;
constexpr int32_t kSessionStateLock = 0;
constexpr uint32_t kTokenQuery = 8;
constexpr uint32_t kIntegrityLabelBufferBytes = 84;
constexpr uint32_t kProcessQueryLimitedInformation = 0x1000;

// _wcsicmp in the C locale folds only the ASCII letters.
char16_t FoldAscii(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

bool IsUserDesktopName(const std::u16string& name) {
  static const std::u16string kDefault = u"default";
  if (name.size() != kDefault.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (FoldAscii(name[i]) != kDefault[i]) return false;
  }
  return true;
}

}  // namespace

InputDesktopState GetInputDesktopState(SessionPort& port) {
  uint32_t last_error = 0;
  const DesktopHandle desktop = port.OpenInputDesktop(0, false, kDesktopReadObjects, &last_error);
  if (desktop == DesktopHandle::kNone) {
    if (last_error != kErrorAccessDenied) return InputDesktopState::NormalDesktop;
  } else {
    std::u16string name;
    const bool named = port.GetUserObjectName(desktop, kDesktopNameBufferBytes, &name);
    port.CloseDesktop(desktop);
    if (!named || IsUserDesktopName(name)) return InputDesktopState::NormalDesktop;
  }
  return IsSessionLocked(port) ? InputDesktopState::SessionLocked
                               : InputDesktopState::SecureDesktop;
}

bool IsSessionLocked(SessionPort& port) {
  SessionInfoEx info;
  if (!port.QuerySessionInfoEx(kCurrentSession, &info)) return false;
  return info.level == 1 && info.session_flags == kSessionStateLock;
}

bool GetIntegrityLevel(SessionPort& port, ProcessHandle process, uint32_t* level) {
  const TokenHandle token = port.OpenProcessToken(process, kTokenQuery);
  if (token == TokenHandle::kNone) return false;
  std::vector<uint32_t> sub_authorities;
  const bool read =
      port.GetTokenIntegrityLabel(token, kIntegrityLabelBufferBytes, &sub_authorities);
  port.CloseToken(token);
  if (!read || sub_authorities.empty()) return false;
  *level = sub_authorities.back();
  return true;
}

bool IsHigherIntegrityWindow(SessionPort& port, WindowHandle window) {
  if (window == WindowHandle::kNone) return false;
  const uint32_t owner_id = port.GetWindowThreadProcessId(window);
  if (owner_id == 0 || owner_id == port.GetCurrentProcessId()) return false;
  uint32_t own_level = 0;
  if (!GetIntegrityLevel(port, port.GetCurrentProcess(), &own_level)) return false;
  const ProcessHandle owner = port.OpenProcess(kProcessQueryLimitedInformation, false, owner_id);
  if (owner == ProcessHandle::kNone) return false;
  uint32_t owner_level = 0;
  const bool read = GetIntegrityLevel(port, owner, &owner_level);
  port.CloseProcess(owner);
  return read && owner_level > own_level;
}

}  // namespace tesso
