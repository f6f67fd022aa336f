#include "standin/wire/utf8.h"

#include <gtest/gtest.h>

namespace tesso::standin {
namespace {

TEST(Utf8Test, ConvertsUtf16AndReplacesUnpairedSurrogates) {
  const struct {
    std::u16string text;
    std::string utf8;
  } rows[] = {
      {u"data\\flutter_assets", "data\\flutter_assets"},
      {u"\u00e9\u07FF\u4e2d\uFFFF", "\xC3\xA9\xDF\xBF\xE4\xB8\xAD\xEF\xBF\xBF"},
      {u"\U00010000\U0001F600\U0010FFFF", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"},
      {u"", ""},
      {{u'a', 0xD83D, u'b'},
       "a\xEF\xBF\xBD"
       "b"},
      {{0xDE00}, "\xEF\xBF\xBD"},
      {{u'x', 0xD800}, "x\xEF\xBF\xBD"},
  };
  for (const auto& row : rows) EXPECT_EQ(Utf16ToUtf8(row.text), row.utf8);
}

TEST(Utf8Test, MeasuresSequencesAndChecksWholeTexts) {
  const struct {
    const char* text;
    size_t length;  // of the first sequence; 0: ill-formed
    bool whole;     // the whole text is UTF-8
  } cases[] = {
      {"A", 1, true},
      {"\xC3\xA9", 2, true},
      {"\xDF\xBF", 2, true},
      {"\xE4\xB8\xAD", 3, true},
      {"\xEF\xBF\xBF", 3, true},
      {"\xF4\x8F\xBF\xBF", 4, true},  // U+10FFFF
      {"", 0, true},
      {"\x80", 0, false},              // stray continuation
      {"\xC0\xAF", 0, false},          // overlong
      {"\xE0\x80\xAF", 0, false},      // overlong
      {"\xED\xA0\x80", 0, false},      // surrogate
      {"\xF4\x90\x80\x80", 0, false},  // past U+10FFFF
      {"\xF5\x80\x80\x80", 0, false},
      {"\xE4\xB8", 0, false},      // truncated
      {"\xE4\x41\xAD", 0, false},  // not a continuation
      {"ab\xC3\xA9", 1, true},
      {"ab\xFF"
       "c",
       1, false},  // ill-formed after well-formed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Utf8SequenceLength(c.text), c.length);
    EXPECT_EQ(IsUtf8(c.text), c.whole);
  }
}

}  // namespace
}  // namespace tesso::standin
