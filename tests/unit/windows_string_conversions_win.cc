#include "tests/unit/windows_string_conversions_win.h"

#include <windows.h>

#include <cwchar>

namespace tesso_test {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

}  // namespace

std::string WindowsArgumentToUtf8(const char16_t* text) {
  if (text == nullptr) return std::string();
  const wchar_t* wide = AsWide(text);
  const int size =
      ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
  const int target_length = size - 1;
  if (target_length == 0 || size == 0) return std::string();
  std::string out(static_cast<size_t>(target_length), '\0');
  const int converted = ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide,
                                              static_cast<int>(std::wcslen(wide)), out.data(),
                                              target_length, nullptr, nullptr);
  if (converted == 0) return std::string();
  return out;
}

std::string WindowsWideToUtf8(const char16_t* text) {
  if (text == nullptr || *text == u'\0') return std::string();
  const wchar_t* wide = AsWide(text);
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<size_t>(size) - 1);
  return out;
}

std::u16string WindowsUtf8ToWide(const std::string& text) {
  if (text.empty()) return std::u16string();
  const int length = static_cast<int>(text.size());
  const int size =
      ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (size <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(size), u'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length,
                        reinterpret_cast<wchar_t*>(out.data()), size);
  return out;
}

}  // namespace tesso_test
