#include "standin/env_win.h"

#include <windows.h>

#include <string>

#include "standin/wire/utf8.h"

namespace tesso::standin {

std::string GetEnv(const wchar_t* name) noexcept {
  try {
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::u16string value(needed, u'\0');
    const DWORD got =
        GetEnvironmentVariableW(name, reinterpret_cast<wchar_t*>(value.data()), needed);
    if (got == 0 || got >= needed) return {};
    value.resize(got);
    return Utf16ToUtf8(value);
  } catch (...) {
    return {};
  }
}

bool FailureRequested(std::string_view what) noexcept {
  const std::string list = GetEnv(L"TESSO_STANDIN_FAIL");
  std::string_view rest = list;
  while (!rest.empty()) {
    const size_t comma = rest.find(',');
    if (rest.substr(0, comma) == what) return true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace tesso::standin
