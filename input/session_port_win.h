// The session port on Windows: the input desktop, the logon session's record (wtsapi32) and
// process tokens. Handles it returns are closed through it; it keeps none itself.
#ifndef TESSO_INPUT_SESSION_PORT_WIN_H_
#define TESSO_INPUT_SESSION_PORT_WIN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "input/session_port.h"

namespace tesso {

class SessionPortWin : public SessionPort {
 public:
  DesktopHandle OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                 uint32_t* last_error) override;
  bool GetUserObjectName(DesktopHandle desktop, uint32_t buffer_bytes,
                         std::u16string* name) override;
  void CloseDesktop(DesktopHandle desktop) override;
  bool QuerySessionInfoEx(uint32_t session_id, SessionInfoEx* info) override;
  TokenHandle OpenProcessToken(ProcessHandle process, uint32_t access) override;
  bool GetTokenIntegrityLabel(TokenHandle token, uint32_t buffer_bytes,
                              std::vector<uint32_t>* sub_authorities) override;
  void CloseToken(TokenHandle token) override;
  uint32_t GetWindowThreadProcessId(WindowHandle window) override;
  uint32_t GetCurrentProcessId() override;
  ProcessHandle GetCurrentProcess() override;
  ProcessHandle OpenProcess(uint32_t access, bool inherit, uint32_t process_id) override;
  void CloseProcess(ProcessHandle process) override;
};

}  // namespace tesso

#endif  // TESSO_INPUT_SESSION_PORT_WIN_H_
