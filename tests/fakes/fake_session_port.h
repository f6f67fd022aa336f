// A session port with a scripted input desktop, logon session and processes. Every call is
// recorded as text with its handles named for what they belong to ("process 200", "token
// 200"), so that a recorded list shows each opened handle closed. Process `current_pid` is
// this one; a window's process comes from `window_pids` (0 when not listed).
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
  // OpenInputDesktop fails with this error when it is set; the name is unreadable when none.
  std::optional<uint32_t> desktop_open_error;
  std::optional<std::u16string> desktop_name = u"Default";
  std::optional<tesso::SessionInfoEx> session = tesso::SessionInfoEx{1, 1};  // none: fails
  uint32_t current_pid = 100;
  std::map<uintptr_t, uint32_t> window_pids;
  // Integrity label sub-authorities per process; a process not listed cannot be opened.
  std::map<uint32_t, std::vector<uint32_t>> labels = {{100, {0x2000}}};
  std::string failing;  // the recorded text of a call that fails, e.g. "OpenProcess(4096, 200)"
  std::vector<std::string> calls;

  tesso::DesktopHandle OpenInputDesktop(uint32_t flags, bool inherit, uint32_t access,
                                        uint32_t* last_error) override {
    Record("OpenInputDesktop", flags, inherit, access);
    if (desktop_open_error) *last_error = *desktop_open_error;
    return desktop_open_error ? tesso::DesktopHandle::kNone : tesso::DesktopHandle{kDesktop};
  }
  bool GetUserObjectName(tesso::DesktopHandle desktop, uint32_t buffer_bytes,
                         std::u16string* name) override {
    Record("GetUserObjectName", Name(desktop), buffer_bytes);
    if (desktop_name) *name = *desktop_name;
    return desktop_name.has_value();
  }
  void CloseDesktop(tesso::DesktopHandle desktop) override {
    Record("CloseDesktop", Name(desktop));
  }
  bool QuerySessionInfoEx(uint32_t session_id, tesso::SessionInfoEx* info) override {
    Record("QuerySessionInfoEx", session_id);
    if (session) *info = *session;
    return session.has_value();
  }
  tesso::TokenHandle OpenProcessToken(tesso::ProcessHandle process, uint32_t access) override {
    const uint32_t pid = Pid(process);
    const bool ok = Record("OpenProcessToken", Name(process), access) && labels.count(pid);
    return ok ? tesso::TokenHandle{kToken + pid} : tesso::TokenHandle::kNone;
  }
  bool GetTokenIntegrityLabel(tesso::TokenHandle token, uint32_t buffer_bytes,
                              std::vector<uint32_t>* sub_authorities) override {
    const uint32_t pid = static_cast<uint32_t>(static_cast<uintptr_t>(token) - kToken);
    if (!Record("GetTokenIntegrityLabel", Name(token), buffer_bytes)) return false;
    *sub_authorities = labels[pid];
    return true;
  }
  void CloseToken(tesso::TokenHandle token) override { Record("CloseToken", Name(token)); }
  uint32_t GetWindowThreadProcessId(tesso::WindowHandle window) override {
    Record("GetWindowThreadProcessId", static_cast<uintptr_t>(window));
    return window_pids.count(static_cast<uintptr_t>(window))
               ? window_pids[static_cast<uintptr_t>(window)]
               : 0;
  }
  uint32_t GetCurrentProcessId() override {
    Record("GetCurrentProcessId");
    return current_pid;
  }
  tesso::ProcessHandle GetCurrentProcess() override {
    Record("GetCurrentProcess");
    return tesso::ProcessHandle{kSelf};
  }
  tesso::ProcessHandle OpenProcess(uint32_t access, bool inherit, uint32_t pid) override {
    const bool ok = Record("OpenProcess", access, inherit, pid) && labels.count(pid);
    return ok ? tesso::ProcessHandle{pid} : tesso::ProcessHandle::kNone;
  }
  void CloseProcess(tesso::ProcessHandle process) override {
    Record("CloseProcess", Name(process));
  }

 private:
  static constexpr uintptr_t kDesktop = 0x10;
  static constexpr uintptr_t kToken = 0x10000;
  static constexpr uintptr_t kSelf = ~uintptr_t{0};  // Windows' pseudo handle, -1

  uint32_t Pid(tesso::ProcessHandle process) const {
    const auto value = static_cast<uintptr_t>(process);
    return value == kSelf ? current_pid : static_cast<uint32_t>(value);
  }
  std::string Name(tesso::DesktopHandle desktop) const {
    return desktop == tesso::DesktopHandle{kDesktop} ? "desktop" : "unknown";
  }
  std::string Name(tesso::ProcessHandle process) const {
    return process == tesso::ProcessHandle{kSelf} ? "current process"
                                                  : "process " + std::to_string(Pid(process));
  }
  std::string Name(tesso::TokenHandle token) const {
    return "token " + std::to_string(static_cast<uintptr_t>(token) - kToken);
  }
  static std::string Text(const std::string& value) { return value; }
  static std::string Text(bool value) { return value ? "true" : "false"; }
  static std::string Text(uintptr_t value) { return std::to_string(value); }
  static std::string Text(uint32_t value) { return std::to_string(value); }
  // Records "Name(arguments)"; false when that text is the scripted failing call.
  template <typename... Args>
  bool Record(const std::string& name, const Args&... args) {
    std::string text;
    ((text += (text.empty() ? "" : ", ") + Text(args)), ...);
    calls.push_back(name + "(" + text + ")");
    return calls.back() != failing;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SESSION_PORT_H_
