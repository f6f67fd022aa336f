// UTF-8 to UTF-16 that never fails, for texts shown to the user (notices): ill-formed input
// is replaced, and nothing well-formed around it is lost.
#ifndef TESSO_BASE_LENIENT_UTF8_H_
#define TESSO_BASE_LENIENT_UTF8_H_

#include <string>

namespace tesso {

// Converts all of `text`, embedded NULs included. Each maximal ill-formed subsequence
// becomes one U+FFFD (the Unicode "maximal subpart" practice): a lead together with the bytes
// that could still continue its sequence, or a byte that cannot start one. The next byte
// starts afresh, so "a\xE7b" gives u"a\uFFFDb" and "\xF0AA" gives u"\uFFFDAA".
// MultiByteToWideChar under Wine differs: it lets a broken-off sequence swallow the rest of a
// short text ("a\xE7b" gives u"a\uFFFD") and replaces a lead with an out-of-range second byte
// as one ("\xE0\x80" gives one U+FFFD, here two).
std::u16string Utf8ToWideLenient(const std::string& text);

}  // namespace tesso

#endif  // TESSO_BASE_LENIENT_UTF8_H_
