// The input-desktop guard's seam to Windows: the input desktop, the logon session's lock
// state and process integrity levels. Each method is one platform call (with the buffer the
// caller sizes); every decision is the caller's. Called on the capture worker.
#ifndef TESSO_INPUT_SESSION_PORT_H_
#define TESSO_INPUT_SESSION_PORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "base/handles.h"

namespace tesso {

enum class DesktopHandle : uintptr_t { kNone = 0 };
enum class TokenHandle : uintptr_t { kNone = 0 };
enum class ProcessHandle : uintptr_t { kNone = 0 };

// The fields of WTSINFOEXW that the guard reads: Level and, of the level-1 data,
// SessionFlags.
struct SessionInfoEx {
  uint32_t level = 0;
  int32_t session_flags = 0;
};

class SessionPort {
 public:
  virtual ~SessionPort() = default;
  // OpenInputDesktop(flags, inherit, access): the desktop, or kNone with *last_error set to
  // GetLastError(). The caller closes the desktop.
  virtual DesktopHandle OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                         uint32_t* last_error) = 0;
  // GetUserObjectInformationW(desktop, UOI_NAME) into a zeroed buffer of `buffer_bytes`: the
  // name up to its NUL; false when Windows fails (a name too long for the buffer included).
  virtual bool GetUserObjectName(DesktopHandle desktop, uint32_t buffer_bytes,
                                 std::u16string* name) = 0;
  virtual void CloseDesktop(DesktopHandle desktop) = 0;
  // WTSQuerySessionInformationW(no server, `session_id`, WTSSessionInfoEx), the record's
  // buffer freed with WTSFreeMemory before returning: false when the query fails or yields no
  // buffer.
  virtual bool QuerySessionInfoEx(uint32_t session_id, SessionInfoEx* info) = 0;

  // OpenProcessToken(process, access): kNone on failure. The caller closes the token.
  virtual TokenHandle OpenProcessToken(ProcessHandle process, uint32_t access) = 0;
  // GetTokenInformation(token, TokenIntegrityLevel) into a zeroed buffer of `buffer_bytes`,
  // then the label SID's sub-authorities (GetSidSubAuthorityCount, GetSidSubAuthority) in
  // order; false when GetTokenInformation fails.
  virtual bool GetTokenIntegrityLabel(TokenHandle token, uint32_t buffer_bytes,
                                      std::vector<uint32_t>* sub_authorities) = 0;
  virtual void CloseToken(TokenHandle token) = 0;

  // GetWindowThreadProcessId: the owning process id, 0 when there is none.
  virtual uint32_t GetWindowThreadProcessId(WindowHandle window) = 0;
  virtual uint32_t GetCurrentProcessId() = 0;
  // GetCurrentProcess: the pseudo handle, never closed.
  virtual ProcessHandle GetCurrentProcess() = 0;
  // OpenProcess(access, inherit, process_id): kNone on failure. The caller closes it.
  virtual ProcessHandle OpenProcess(uint32_t access, bool inherit, uint32_t process_id) = 0;
  virtual void CloseProcess(ProcessHandle process) = 0;
};

}  // namespace tesso

#endif  // TESSO_INPUT_SESSION_PORT_H_
