// UTF-8 to UTF-16 that never fails, as MultiByteToWideChar with CP_UTF8 and no flags.
#ifndef TESSO_BASE_LENIENT_UTF8_H_
#define TESSO_BASE_LENIENT_UTF8_H_

#include <string>

namespace tesso {

// Converts all of `text`, embedded NULs included. Ill-formed input becomes U+FFFD:
// - a byte that cannot start a sequence: one each;
// - a sequence that needs more bytes than are left: one for all the rest;
// - a lead followed by a byte that is no continuation: one for the lead;
// - a lead followed by a continuation outside its range (overlong, surrogate, above
//   U+10FFFF): one for the two;
// - a sequence broken off later: one for the bytes before the break.
std::u16string Utf8ToWideLenient(const std::string& text);

}  // namespace tesso

#endif  // TESSO_BASE_LENIENT_UTF8_H_
