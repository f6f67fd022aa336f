#include "tests/fakes/fake_session_port.h"

#include <limits>

namespace tesso_test {
namespace {

constexpr uintptr_t kDesktop = 0x10;
constexpr uintptr_t kCurrentProcess = std::numeric_limits<uintptr_t>::max();  // as Windows' -1
constexpr uintptr_t kProcessBase = 0x100000;
constexpr uintptr_t kTokenBase = 0x200000;

std::string Bool(bool value) { return value ? "true" : "false"; }

}  // namespace

tesso::DesktopHandle FakeSessionPort::OpenInputDesktop(uint32_t flags, bool inherit,
                                                       uint32_t access, uint32_t* last_error) {
  calls.push_back("OpenInputDesktop(" + std::to_string(flags) + ", " + Bool(inherit) + ", " +
                  std::to_string(access) + ")");
  if (desktop_open_error) {
    *last_error = *desktop_open_error;
    return tesso::DesktopHandle::kNone;
  }
  return static_cast<tesso::DesktopHandle>(kDesktop);
}

bool FakeSessionPort::GetUserObjectName(tesso::DesktopHandle desktop, uint32_t buffer_bytes,
                                        std::u16string* name) {
  const bool ours = static_cast<uintptr_t>(desktop) == kDesktop;
  calls.push_back(std::string("GetUserObjectName(") + (ours ? "desktop" : "unknown") + ", " +
                  std::to_string(buffer_bytes) + ")");
  if (!ours || !desktop_name) return false;
  *name = *desktop_name;
  return true;
}

void FakeSessionPort::CloseDesktop(tesso::DesktopHandle desktop) {
  const bool ours = static_cast<uintptr_t>(desktop) == kDesktop;
  calls.push_back(std::string("CloseDesktop(") + (ours ? "desktop" : "unknown") + ")");
}

bool FakeSessionPort::QuerySessionInfoEx(uint32_t session_id, tesso::SessionInfoEx* info) {
  calls.push_back("QuerySessionInfoEx(" + std::to_string(session_id) + ")");
  if (!session) return false;
  *info = *session;
  return true;
}

tesso::TokenHandle FakeSessionPort::OpenProcessToken(tesso::ProcessHandle process,
                                                     uint32_t access) {
  calls.push_back("OpenProcessToken(" + ProcessName(process) + ", " + std::to_string(access) + ")");
  const uint32_t pid = ProcessIdOf(static_cast<uintptr_t>(process));
  const auto found = processes.find(pid);
  if (pid == 0 || found == processes.end() || found->second.token_fails) {
    return tesso::TokenHandle::kNone;
  }
  const auto token = static_cast<tesso::TokenHandle>(kTokenBase + pid);
  return token;
}

bool FakeSessionPort::GetTokenIntegrityLabel(tesso::TokenHandle token, uint32_t buffer_bytes,
                                             std::vector<uint32_t>* sub_authorities) {
  calls.push_back("GetTokenIntegrityLabel(" + TokenName(token) + ", " +
                  std::to_string(buffer_bytes) + ")");
  const auto found = processes.find(ProcessIdOf(static_cast<uintptr_t>(token)));
  if (found == processes.end() || !found->second.label) return false;
  *sub_authorities = *found->second.label;
  return true;
}

void FakeSessionPort::CloseToken(tesso::TokenHandle token) {
  calls.push_back("CloseToken(" + TokenName(token) + ")");
}

uint32_t FakeSessionPort::GetWindowThreadProcessId(tesso::WindowHandle window) {
  const uintptr_t value = static_cast<uintptr_t>(window);
  calls.push_back("GetWindowThreadProcessId(" + std::to_string(value) + ")");
  const auto found = window_pids.find(value);
  return found == window_pids.end() ? 0 : found->second;
}

uint32_t FakeSessionPort::GetCurrentProcessId() {
  calls.push_back("GetCurrentProcessId()");
  return current_pid;
}

tesso::ProcessHandle FakeSessionPort::GetCurrentProcess() {
  calls.push_back("GetCurrentProcess()");
  return static_cast<tesso::ProcessHandle>(kCurrentProcess);
}

tesso::ProcessHandle FakeSessionPort::OpenProcess(uint32_t access, bool inherit,
                                                  uint32_t process_id) {
  calls.push_back("OpenProcess(" + std::to_string(access) + ", " + Bool(inherit) + ", " +
                  std::to_string(process_id) + ")");
  const auto found = processes.find(process_id);
  if (process_id == 0 || found == processes.end() || found->second.open_fails) {
    return tesso::ProcessHandle::kNone;
  }
  const auto process = static_cast<tesso::ProcessHandle>(kProcessBase + process_id);
  return process;
}

void FakeSessionPort::CloseProcess(tesso::ProcessHandle process) {
  calls.push_back("CloseProcess(" + ProcessName(process) + ")");
}

uint32_t FakeSessionPort::ProcessIdOf(uintptr_t handle) const {
  if (handle == kCurrentProcess) return current_pid;
  if (handle > kTokenBase) return static_cast<uint32_t>(handle - kTokenBase);
  if (handle > kProcessBase) return static_cast<uint32_t>(handle - kProcessBase);
  return 0;
}

std::string FakeSessionPort::ProcessName(tesso::ProcessHandle process) const {
  const uintptr_t value = static_cast<uintptr_t>(process);
  if (value == kCurrentProcess) return "current process";
  if (value > kProcessBase && value < kTokenBase) {
    return "process " + std::to_string(value - kProcessBase);
  }
  return "unknown process";
}

std::string FakeSessionPort::TokenName(tesso::TokenHandle token) const {
  const uintptr_t value = static_cast<uintptr_t>(token);
  if (value > kTokenBase) return "token " + std::to_string(value - kTokenBase);
  return "unknown token";
}

}  // namespace tesso_test
