// The lenient UTF-8 conversion of notice texts: well-formed text as is, each maximal
// ill-formed subsequence as one U+FFFD, and everything well-formed after it kept.
#include <gtest/gtest.h>

#include <string>

#include "base/lenient_utf8.h"

namespace {

struct Case {
  std::string text;
  std::u16string expected;
};

TEST(LenientUtf8Test, EachMaximalIllFormedSubsequenceIsOneReplacement) {
  const Case cases[] = {
      // Well-formed, at every length and boundary, with a byte order mark and a NUL.
      {"", u""},
      {"Tesso \xC2\xB7 \xE7\x95\x8C", u"Tesso \u00B7 \u754C"},
      {"\xE0\xA0\x80\xED\x9F\xBF", u"\u0800\uD7FF"},
      {"\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", u"\U0001F600\U0010FFFF"},
      {"\xEF\xBB\xBF"
       "a",
       u"\uFEFFa"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      // Bytes that cannot start a sequence: one each.
      {"\x80", u"\uFFFD"},
      {"a\xFF"
       "b",
       u"a\uFFFDb"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      // A sequence cut short at the end.
      {"\xC2", u"\uFFFD"},
      {"\xE7\x95", u"\uFFFD"},
      {"\xF0\x9F\x98", u"\uFFFD"},
      // Broken off by a byte that cannot continue it: that byte starts afresh.
      {"a\xE7"
       "b",
       u"a\uFFFDb"},
      {"\xF0"
       "AA",
       u"\uFFFDAA"},
      {std::string("\xE0\0", 2), std::u16string(u"\uFFFD\0", 2)},
      {"\xC2\xC2\x80", u"\uFFFD\u0080"},
      {"\xE7\x95"
       "A",
       u"\uFFFDA"},
      {"\xF0\x9F\x98\xE7\x95\x8C", u"\uFFFD\u754C"},
      {"\xF0\x90"
       "AA",
       u"\uFFFDAA"},
      {"\xE1\x80\x80\x80", u"\u1000\uFFFD"},
      {"\xE1\x80\xC0", u"\uFFFD\uFFFD"},
      // A second byte outside the lead's range (overlong, surrogate, above U+10FFFF): the lead
      // alone, then the continuations one each.
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xE0\x9F"
       "A",
       u"\uFFFD\uFFFDA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(tesso::Utf8ToWideLenient(c.text), c.expected);
  }
}

}  // namespace
