// The strict conversions and the lenient UTF-16 to UTF-8 one against Windows' own under Wine,
// on every text of up to four of the units and bytes where conversion changes. (The lenient
// UTF-8 to UTF-16 one keeps more than Wine after a broken-off sequence, as the Windows
// converter documents it; its table in the portable tests is the contract.)
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/string_conversions.h"

namespace {

using namespace std::string_literals;

// WideCharToMultiByte on the NUL-terminated text, terminator dropped; empty on failure.
std::string WindowsToUtf8(const std::u16string& text, DWORD flags) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
  const int size = WideCharToMultiByte(CP_UTF8, flags, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, flags, wide, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();
  return out;
}

// MultiByteToWideChar with the explicit byte length and MB_ERR_INVALID_CHARS; empty on failure.
std::u16string WindowsToWide(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int size =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
  if (size <= 0) return std::u16string();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), length, out.data(), size);
  return std::u16string(out.begin(), out.end());
}

// Calls `visit` on every text of one to four elements of `alphabet`; the number of failures.
template <typename Text>
int CountFailures(const Text& alphabet, const std::function<bool(const Text&)>& visit) {
  int failures = 0;
  for (size_t length = 1, combinations = alphabet.size(); length <= 4;
       ++length, combinations *= alphabet.size()) {
    for (size_t index = 0; index < combinations; ++index) {
      Text text;
      for (size_t rest = index, i = 0; i < length; ++i, rest /= alphabet.size()) {
        text += alphabet[rest % alphabet.size()];
      }
      if (!visit(text) && ++failures <= 8) ADD_FAILURE() << testing::PrintToString(text);
    }
  }
  return failures;
}

TEST(WindowsStringConversions, PortableAndWindowsAgreeOnEveryGeneratedText) {
  // NUL, the UTF-8 length steps, both surrogate ranges and their ends, the byte order mark.
  const std::u16string units = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800, 0xD7FF, 0xD800,
                                0xD83D, 0xDBFF, 0xDC00, 0xDE00, 0xDFFF, 0xE000, 0xFEFF, 0xFFFF};
  EXPECT_EQ(CountFailures<std::u16string>(
                units,
                [](const std::u16string& text) {
                  return tesso::ArgumentToUtf8(text) == WindowsToUtf8(text, WC_ERR_INVALID_CHARS) &&
                         tesso::WideToUtf8(text) == WindowsToUtf8(text, 0);
                }),
            0);
  // ASCII, the continuation bounds (the second-byte limits of E0, ED, F0 and F4 among them)
  // and every kind of lead byte, valid or not.
  const std::string bytes =
      "\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE1\xED\xEE\xF0\xF1\xF4\xF5\xF8\xFE\xFF"s;
  int accepted = 0;
  EXPECT_EQ(CountFailures<std::string>(bytes,
                                       [&](const std::string& text) {
                                         const std::u16string windows = WindowsToWide(text);
                                         accepted += !windows.empty();
                                         return tesso::Utf8ToWide(text) == windows;
                                       }),
            0);
  EXPECT_GT(accepted, 1000);
}

}  // namespace
