// UTF-8 to UTF-16 that never fails, as MultiByteToWideChar with CP_UTF8 and no flags.
#ifndef TESSO_TRAY_LENIENT_UTF8_H_
#define TESSO_TRAY_LENIENT_UTF8_H_

#include <string>

namespace tesso {

// Converts all of `text`, embedded NULs included. Each maximal ill-formed subpart (a byte
// that cannot start a sequence, or the valid start of a sequence that breaks off) becomes one
// U+FFFD, and decoding resumes at the byte that broke it off.
std::u16string Utf8ToWideLenient(const std::string& text);

}  // namespace tesso

#endif  // TESSO_TRAY_LENIENT_UTF8_H_
