// A session port for the guard tests: a scripted input desktop, logon session and processes
// with their integrity labels. Every call is recorded as text, handles named by what they
// belong to ("desktop", "process 200", "token 200"), so that the whole list shows each opened
// handle closed.
#ifndef TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "input/session_port.h"

namespace tesso_test {

struct FakeProcess {
  bool open_fails = false;   // OpenProcess fails
  bool token_fails = false;  // OpenProcessToken fails
  // The integrity label's sub-authorities; none: GetTokenInformation fails.
  std::optional<std::vector<uint32_t>> label = std::vector<uint32_t>{0x2000};
};

class FakeSessionPort : public tesso::SessionPort {
 public:
  // Script. The input desktop opens unless `desktop_open_error` is set (then OpenInputDesktop
  // fails with it); its name reads as `desktop_name` unless that is none.
  std::optional<uint32_t> desktop_open_error;
  std::optional<std::u16string> desktop_name = u"Default";
  // The logon session's record; none: the query fails.
  std::optional<tesso::SessionInfoEx> session = tesso::SessionInfoEx{1, 1};
  uint32_t current_pid = 100;
  std::map<uintptr_t, uint32_t> window_pids;  // a window not listed has no process (0)
  std::map<uint32_t, FakeProcess> processes;  // a process not listed cannot be opened

  std::vector<std::string> calls;

  tesso::DesktopHandle OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                        uint32_t* last_error) override;
  bool GetUserObjectName(tesso::DesktopHandle desktop, uint32_t buffer_bytes,
                         std::u16string* name) override;
  void CloseDesktop(tesso::DesktopHandle desktop) override;
  bool QuerySessionInfoEx(uint32_t session_id, tesso::SessionInfoEx* info) override;
  tesso::TokenHandle OpenProcessToken(tesso::ProcessHandle process, uint32_t access) override;
  bool GetTokenIntegrityLabel(tesso::TokenHandle token, uint32_t buffer_bytes,
                              std::vector<uint32_t>* sub_authorities) override;
  void CloseToken(tesso::TokenHandle token) override;
  uint32_t GetWindowThreadProcessId(tesso::WindowHandle window) override;
  uint32_t GetCurrentProcessId() override;
  tesso::ProcessHandle GetCurrentProcess() override;
  tesso::ProcessHandle OpenProcess(uint32_t access, bool inherit, uint32_t process_id) override;
  void CloseProcess(tesso::ProcessHandle process) override;

 private:
  // The process id behind a process or token handle this fake gave out; 0 for any other.
  uint32_t ProcessIdOf(uintptr_t handle) const;
  std::string ProcessName(tesso::ProcessHandle process) const;
  std::string TokenName(tesso::TokenHandle token) const;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_
