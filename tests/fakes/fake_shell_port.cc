#include "tests/fakes/fake_shell_port.h"

#include "base/string_conversions.h"

namespace tesso_test {

bool FakeShellPort::Log(const std::string& name, tesso::WindowHandle window,
                        std::initializer_list<int64_t> arguments) {
  std::string line = name;
  for (int64_t argument : arguments) line += ' ' + std::to_string(argument);
  calls.push_back(line + (window == kWindow ? "" : " (another window)"));
  return true;
}

uint32_t FakeShellPort::RegisterWindowMessageW(const std::u16string& name) {
  Log("RegisterWindowMessageW " + tesso::WideToUtf8(name));
  size_t index = 0;
  while (index < names.size() && names[index] != name) ++index;
  if (index == names.size()) names.push_back(name);
  return fail_register ? 0 : kFirstRegisteredMessage + static_cast<uint32_t>(index);
}

bool FakeShellPort::ShellNotifyIconW(uint32_t request, const tesso::NotifyIconRecord& record) {
  Log("Shell_NotifyIconW", record.window, {request});
  records.push_back(record);
  if (request == tesso::kNimAdd) {
    const bool added = !refuse_add && !holds_icon;
    holds_icon = holds_icon || added;
    return added;
  }
  const bool held = holds_icon;
  if (request == tesso::kNimDelete) holds_icon = false;
  return held;
}

bool FakeShellPort::AppendMenuW(tesso::MenuHandle menu, uint32_t flags, uint32_t item,
                                const std::u16string& text) {
  return Log("AppendMenuW " + std::to_string(static_cast<int64_t>(menu)) + ' ' +
             std::to_string(flags) + ' ' + std::to_string(item) + ' ' + tesso::WideToUtf8(text));
}

}  // namespace tesso_test
