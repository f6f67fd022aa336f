#include "standin/wire/utf8.h"

#include <gtest/gtest.h>

namespace tesso::standin {
namespace {

TEST(Utf8Test, ConvertsUtf16IncludingSurrogatePairs) {
  EXPECT_EQ(Utf16ToUtf8(u"data\\flutter_assets"), "data\\flutter_assets");
  EXPECT_EQ(Utf16ToUtf8(u"\u00e9\u4e2d"), "\xC3\xA9\xE4\xB8\xAD");
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(u""), "");
}

TEST(Utf8Test, ReplacesUnpairedSurrogates) {
  const char16_t lone_high[] = {u'a', 0xD83D, u'b', 0};
  EXPECT_EQ(Utf16ToUtf8(lone_high),
            "a\xEF\xBF\xBD"
            "b");
  const char16_t lone_low[] = {0xDE00, 0};
  EXPECT_EQ(Utf16ToUtf8(lone_low), "\xEF\xBF\xBD");
  const char16_t high_at_end[] = {u'x', 0xD800, 0};
  EXPECT_EQ(Utf16ToUtf8(high_at_end), "x\xEF\xBF\xBD");
}

TEST(Utf8Test, MeasuresWellFormedSequences) {
  EXPECT_EQ(Utf8SequenceLength("A"), 1u);
  EXPECT_EQ(Utf8SequenceLength("\xC3\xA9"), 2u);
  EXPECT_EQ(Utf8SequenceLength("\xE4\xB8\xAD"), 3u);
  EXPECT_EQ(Utf8SequenceLength("\xF4\x8F\xBF\xBF"), 4u);  // U+10FFFF
}

TEST(Utf8Test, RefusesIllFormedSequences) {
  EXPECT_EQ(Utf8SequenceLength(""), 0u);
  EXPECT_EQ(Utf8SequenceLength("\x80"), 0u);              // stray continuation
  EXPECT_EQ(Utf8SequenceLength("\xC0\xAF"), 0u);          // overlong
  EXPECT_EQ(Utf8SequenceLength("\xE0\x80\xAF"), 0u);      // overlong
  EXPECT_EQ(Utf8SequenceLength("\xED\xA0\x80"), 0u);      // surrogate
  EXPECT_EQ(Utf8SequenceLength("\xF4\x90\x80\x80"), 0u);  // past U+10FFFF
  EXPECT_EQ(Utf8SequenceLength("\xF5\x80\x80\x80"), 0u);
  EXPECT_EQ(Utf8SequenceLength("\xE4\xB8"), 0u);      // truncated
  EXPECT_EQ(Utf8SequenceLength("\xE4\x41\xAD"), 0u);  // not a continuation
}

}  // namespace
}  // namespace tesso::standin
