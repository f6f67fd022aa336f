// The lenient UTF-8 conversion of notice texts: well-formed text as is, each maximal
// ill-formed subpart as one U+FFFD.
#include <gtest/gtest.h>

#include <string>

#include "tray/lenient_utf8.h"

namespace {

using tesso::Utf8ToWideLenient;

TEST(LenientUtf8Test, WellFormedTextIsConverted) {
  EXPECT_EQ(Utf8ToWideLenient(""), u"");
  EXPECT_EQ(Utf8ToWideLenient("Tesso"), u"Tesso");
  EXPECT_EQ(Utf8ToWideLenient("\xC2\xB7"), u"\u00B7");
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95\x8C"), u"\u754C");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf8ToWideLenient("\xF4\x8F\xBF\xBF"), u"\U0010FFFF");
  EXPECT_EQ(Utf8ToWideLenient("\xEF\xBB\xBF"
                              "a"),
            u"\uFEFFa");
  EXPECT_EQ(Utf8ToWideLenient(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(LenientUtf8Test, BytesThatCannotStartASequenceAreReplacedOneEach) {
  EXPECT_EQ(Utf8ToWideLenient("\x80"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("a\xFF"
                              "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf8ToWideLenient("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong '/'
  EXPECT_EQ(Utf8ToWideLenient("\xF5\x80\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(LenientUtf8Test, BrokenOffSequencesAreOneReplacementEach) {
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95"
                              "A"),
            u"\uFFFDA");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x9F\x98"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x9F\x98\xE7\x95\x8C"), u"\uFFFD\u754C");
  EXPECT_EQ(Utf8ToWideLenient("\xC2"), u"\uFFFD");
}

TEST(LenientUtf8Test, SequencesRuledOutByTheSecondByteReplaceTheLeadAlone) {
  EXPECT_EQ(Utf8ToWideLenient("\xE0\x80\xAF"), u"\uFFFD\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToWideLenient("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");            // surrogate
  EXPECT_EQ(Utf8ToWideLenient("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x8F\xBF\xBF"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // overlong
}

}  // namespace
