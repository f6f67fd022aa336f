// Conversions between UTF-16 and UTF-8, shared by the shell and the services. Each gives the
// same result as the Windows conversion it stands for (WideCharToMultiByte or
// MultiByteToWideChar with CP_UTF8), so the portable core and its tests need no Windows.
#ifndef TESSO_BASE_STRING_CONVERSIONS_H_
#define TESSO_BASE_STRING_CONVERSIONS_H_

#include <string>

namespace tesso {

// Strict conversion of a command-line argument. `text` is read up to its first NUL (a
// std::u16string as well, like its c_str()). A null pointer, an empty string or text holding
// an unpaired surrogate gives an empty string.
std::string ArgumentToUtf8(const char16_t* text);
std::string ArgumentToUtf8(const std::u16string& text);

// Lenient conversion of text that comes from Windows. `text` is read up to its first NUL. Each
// unpaired surrogate becomes U+FFFD (EF BF BD); it never fails. A null pointer gives an empty
// string.
std::string WideToUtf8(const char16_t* text);
std::string WideToUtf8(const std::u16string& text);

// Strict conversion of text received from the user interface. All of `text` is converted,
// embedded NULs included. Anything that is not well-formed UTF-8 (overlong forms, encoded
// surrogates, values above U+10FFFF, truncated sequences, stray continuation bytes) gives an
// empty string. A byte order mark is kept as U+FEFF.
std::u16string Utf8ToWide(const std::string& text);

}  // namespace tesso

#endif  // TESSO_BASE_STRING_CONVERSIONS_H_
