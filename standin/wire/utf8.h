// Text conversions for the engine's events. Portable: no platform headers.
#ifndef TESSO_STANDIN_WIRE_UTF8_H_
#define TESSO_STANDIN_WIRE_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tesso::standin {

// Appends one code point (at most U+10FFFF) as UTF-8.
void AppendCodePoint(std::string& out, char32_t cp);

// UTF-16 to UTF-8. Lenient: an unpaired surrogate becomes U+FFFD, so any path can be shown.
std::string Utf16ToUtf8(std::u16string_view text);

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 when it is not one
// (an empty text, a stray continuation byte, an overlong form, a surrogate, past U+10FFFF or
// a truncated sequence).
size_t Utf8SequenceLength(std::string_view text);

// Whether all of `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_WIRE_UTF8_H_
