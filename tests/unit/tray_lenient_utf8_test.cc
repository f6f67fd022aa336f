// The lenient UTF-8 conversion of notice texts: well-formed text as is, ill-formed parts as
// U+FFFD in the amounts MultiByteToWideChar gives (compared for real under Wine).
#include <gtest/gtest.h>

#include <string>

#include "base/lenient_utf8.h"

namespace {

using tesso::Utf8ToWideLenient;

TEST(LenientUtf8Test, WellFormedTextIsConverted) {
  EXPECT_EQ(Utf8ToWideLenient(""), u"");
  EXPECT_EQ(Utf8ToWideLenient("Tesso"), u"Tesso");
  EXPECT_EQ(Utf8ToWideLenient("\xC2\xB7"), u"\u00B7");
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95\x8C"), u"\u754C");
  EXPECT_EQ(Utf8ToWideLenient("\xE0\xA0\x80"), u"\u0800");
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

TEST(LenientUtf8Test, SequenceLongerThanTheRestReplacesAllOfIt) {
  EXPECT_EQ(Utf8ToWideLenient("\xC2"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("a\xE7"
                              "b"),
            u"a\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x41\x41"), u"\uFFFD");
  EXPECT_EQ(Utf8ToWideLenient(std::string("\xE0\0", 2)), u"\uFFFD");
}

TEST(LenientUtf8Test, LeadWithoutContinuationIsReplacedAlone) {
  EXPECT_EQ(Utf8ToWideLenient("\xC2\x41"), u"\uFFFDA");
  EXPECT_EQ(Utf8ToWideLenient("\xE1\x41\x41"), u"\uFFFDAA");
  EXPECT_EQ(Utf8ToWideLenient("\xC2\xC2\x80"), u"\uFFFD\u0080");
}

TEST(LenientUtf8Test, ContinuationOutsideTheLeadsRangeIsReplacedWithTheLead) {
  EXPECT_EQ(Utf8ToWideLenient("\xE0\x80\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToWideLenient("\xED\xA0\x80"), u"\uFFFD\uFFFD");            // surrogate
  EXPECT_EQ(Utf8ToWideLenient("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD");  // > U+10FFFF
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x8F\xBF\xBF"), u"\uFFFD\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(Utf8ToWideLenient("\xE0\x9F\x41"), u"\uFFFDA");
}

TEST(LenientUtf8Test, SequenceBrokenOffLaterIsOneReplacement) {
  EXPECT_EQ(Utf8ToWideLenient("\xE7\x95"
                              "A"),
            u"\uFFFDA");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x9F\x98\xE7\x95\x8C"), u"\uFFFD\u754C");
  EXPECT_EQ(Utf8ToWideLenient("\xF0\x90\x41\x41"), u"\uFFFDAA");
  EXPECT_EQ(Utf8ToWideLenient("\xE1\x80\x80\x80"), u"\u1000\uFFFD");
}

}  // namespace
