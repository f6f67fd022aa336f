// A session port with a scripted input desktop (handle 208), logon session and processes that
// records every call with its arguments as numbers. A process handle is the process id (-1,
// the pseudo handle, is process `current_pid`) and its token the id + 1, so that a recorded
// list shows each opened handle closed.
#ifndef TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "input/session_port.h"

namespace tesso_test {

class FakeSessionPort : public tesso::SessionPort {
 public:
  std::optional<uint32_t> desktop_open_error;  // OpenInputDesktop fails with it when set
  std::optional<std::u16string> desktop_name = u"Default";                   // none: unreadable
  std::optional<tesso::SessionInfoEx> session = tesso::SessionInfoEx{1, 1};  // none: fails
  uint32_t current_pid = 100;
  std::map<uintptr_t, uint32_t> window_pids;  // 0 for a window not listed
  // Integrity label sub-authorities; a process not listed cannot be opened.
  std::map<uint32_t, std::vector<uint32_t>> labels = {{100, {0x2000}}};
  std::string failing;  // the recorded text of a call that fails
  std::vector<std::string> calls;

  tesso::DesktopHandle OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                        uint32_t* last_error) override {
    Record("OpenInputDesktop", flags, inherit, access);
    if (desktop_open_error) *last_error = *desktop_open_error;
    return tesso::DesktopHandle{desktop_open_error ? 0u : 208u};
  }
  bool GetUserObjectName(tesso::DesktopHandle desk, uint32_t size, std::u16string* name) override {
    Record("GetUserObjectName", desk, size);
    if (desktop_name) *name = *desktop_name;
    return desktop_name.has_value();
  }
  void CloseDesktop(tesso::DesktopHandle desktop) override { Record("CloseDesktop", desktop); }
  bool QuerySessionInfoEx(uint32_t id, tesso::SessionInfoEx* info) override {
    Record("QuerySessionInfoEx", id);
    if (session) *info = *session;
    return session.has_value();
  }
  tesso::TokenHandle OpenProcessToken(tesso::ProcessHandle process, uint32_t access) override {
    const uint32_t pid = process == kSelf ? current_pid : static_cast<uint32_t>(process);
    const bool ok = Record("OpenProcessToken", process, access) && labels.count(pid);
    return tesso::TokenHandle{ok ? pid + 1u : 0u};
  }
  bool GetTokenIntegrityLabel(tesso::TokenHandle token, uint32_t size,
                              std::vector<uint32_t>* sub_authorities) override {
    if (!Record("GetTokenIntegrityLabel", token, size)) return false;
    *sub_authorities = labels[static_cast<uint32_t>(token) - 1];
    return true;
  }
  void CloseToken(tesso::TokenHandle token) override { Record("CloseToken", token); }
  uint32_t GetWindowThreadProcessId(tesso::WindowHandle window) override {
    Record("GetWindowThreadProcessId", window);
    return window_pids[static_cast<uintptr_t>(window)];
  }
  uint32_t GetCurrentProcessId() override { return Record("GetCurrentProcessId"), current_pid; }
  tesso::ProcessHandle GetCurrentProcess() override { return Record("GetCurrentProcess"), kSelf; }
  tesso::ProcessHandle OpenProcess(uint32_t access, bool inherit, uint32_t pid) override {
    const bool ok = Record("OpenProcess", access, inherit, pid) && labels.count(pid);
    return tesso::ProcessHandle{ok ? pid : 0u};
  }
  void CloseProcess(tesso::ProcessHandle process) override { Record("CloseProcess", process); }

 private:
  static constexpr tesso::ProcessHandle kSelf{~uintptr_t{0}};

  // Records "Name(arguments)"; false when that is the scripted failing call.
  template <typename... Args>
  bool Record(const char* name, Args... args) {
    std::string text;
    ((text += ", " + std::to_string(static_cast<int64_t>(args))), ...);
    calls.push_back(name + ("(" + (text.empty() ? text : text.substr(2))) + ")");
    return calls.back() != failing;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_
