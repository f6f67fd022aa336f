// The Windows call sequences that the portable string conversions stand for, run for real so
// that tests under Wine can compare the two. Win32 build, tests only.
#ifndef TESSO_TESTS_UNIT_WINDOWS_STRING_CONVERSIONS_WIN_H_
#define TESSO_TESTS_UNIT_WINDOWS_STRING_CONVERSIONS_WIN_H_

#include <string>

namespace tesso_test {

// WideCharToMultiByte with WC_ERR_INVALID_CHARS: size query on the NUL-terminated text, then
// the conversion with the text's length.
std::string WindowsArgumentToUtf8(const char16_t* text);
// WideCharToMultiByte without flags on the NUL-terminated text, terminator dropped.
std::string WindowsWideToUtf8(const char16_t* text);
// MultiByteToWideChar with MB_ERR_INVALID_CHARS and the explicit byte length.
std::u16string WindowsUtf8ToWide(const std::string& text);

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_WINDOWS_STRING_CONVERSIONS_WIN_H_
