#include "input/session_port_win.h"

#include <windows.h>
#include <wtsapi32.h>

#include <cstddef>
#include <memory>

namespace tesso {
namespace {

// MinGW's wtsapi32.h stops before WTSSessionInfoEx: its class and the head of WTSINFOEXW
// (Level, then the level-1 data, aligned for the LARGE_INTEGER times further on).
constexpr WTS_INFO_CLASS kWtsSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
struct WtsInfoExHead {
  DWORD level;
  alignas(8) ULONG session_id;
  LONG session_state;
  LONG session_flags;
};
static_assert(offsetof(WtsInfoExHead, session_flags) == 16, "WTSINFOEXW layout");

struct WtsMemoryFree {
  void operator()(void* memory) const { ::WTSFreeMemory(memory); }
};

template <typename Handle>
Handle ToWin(uintptr_t value) {
  return reinterpret_cast<Handle>(value);
}

template <typename Handle>
uintptr_t FromWin(Handle handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace

DesktopHandle SessionPortWin::OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                               uint32_t* last_error) {
  const HDESK desktop = ::OpenInputDesktop(flags, inherit ? TRUE : FALSE, access);
  if (desktop == nullptr) *last_error = ::GetLastError();
  return static_cast<DesktopHandle>(FromWin(desktop));
}

bool SessionPortWin::GetUserObjectName(DesktopHandle desktop, uint32_t buffer_bytes,
                                       std::u16string* name) {
  // One unit more than offered, always zero, so the name ends within the buffer.
  std::u16string buffer(buffer_bytes / sizeof(char16_t) + 1, u'\0');
  DWORD needed = 0;
  if (!::GetUserObjectInformationW(ToWin<HDESK>(static_cast<uintptr_t>(desktop)), UOI_NAME,
                                   &buffer[0], buffer_bytes, &needed)) {
    return false;
  }
  name->assign(buffer.c_str());
  return true;
}

void SessionPortWin::CloseDesktop(DesktopHandle desktop) {
  ::CloseDesktop(ToWin<HDESK>(static_cast<uintptr_t>(desktop)));
}

bool SessionPortWin::QuerySessionInfoEx(uint32_t session_id, SessionInfoEx* info) {
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  const BOOL queried = ::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session_id,
                                                     kWtsSessionInfoEx, &buffer, &bytes);
  const std::unique_ptr<void, WtsMemoryFree> record(buffer);
  if (!queried || buffer == nullptr || bytes < sizeof(WtsInfoExHead)) return false;
  const auto* head = reinterpret_cast<const WtsInfoExHead*>(buffer);
  info->level = head->level;
  info->session_flags = head->session_flags;
  return true;
}

TokenHandle SessionPortWin::OpenProcessToken(ProcessHandle process, uint32_t access) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(ToWin<HANDLE>(static_cast<uintptr_t>(process)), access, &token)) {
    return TokenHandle::kNone;
  }
  return static_cast<TokenHandle>(FromWin(token));
}

bool SessionPortWin::GetTokenIntegrityLabel(TokenHandle token, uint32_t buffer_bytes,
                                            std::vector<uint32_t>* sub_authorities) {
  // 8-byte units: the label record starts with a pointer.
  std::vector<uint64_t> buffer((buffer_bytes + 7) / 8, 0);
  DWORD returned = 0;
  if (!::GetTokenInformation(ToWin<HANDLE>(static_cast<uintptr_t>(token)), TokenIntegrityLevel,
                             buffer.data(), buffer_bytes, &returned)) {
    return false;
  }
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (sid == nullptr || !::IsValidSid(sid)) return false;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  sub_authorities->clear();
  for (UCHAR i = 0; i < count; ++i) sub_authorities->push_back(*::GetSidSubAuthority(sid, i));
  return true;
}

void SessionPortWin::CloseToken(TokenHandle token) {
  ::CloseHandle(ToWin<HANDLE>(static_cast<uintptr_t>(token)));
}

uint32_t SessionPortWin::GetWindowThreadProcessId(WindowHandle window) {
  DWORD process_id = 0;
  ::GetWindowThreadProcessId(ToWin<HWND>(static_cast<uintptr_t>(window)), &process_id);
  return process_id;
}

uint32_t SessionPortWin::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

ProcessHandle SessionPortWin::GetCurrentProcess() {
  return static_cast<ProcessHandle>(FromWin(::GetCurrentProcess()));
}

ProcessHandle SessionPortWin::OpenProcess(uint32_t access, bool inherit, uint32_t process_id) {
  return static_cast<ProcessHandle>(
      FromWin(::OpenProcess(access, inherit ? TRUE : FALSE, process_id)));
}

void SessionPortWin::CloseProcess(ProcessHandle process) {
  ::CloseHandle(ToWin<HANDLE>(static_cast<uintptr_t>(process)));
}

}  // namespace tesso
