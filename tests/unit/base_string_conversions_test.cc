// The strict and lenient conversions between UTF-16 and UTF-8: every scalar value both ways,
// every malformed form refused, and the rows where unpaired surrogates, NULs and broken
// sequences sit in text (measured against the Windows conversions under Wine).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/lenient_utf8.h"
#include "base/string_conversions.h"

namespace {

using tesso::ArgumentToUtf8;
using tesso::Utf8ToWide;
using tesso::WideToUtf8;

// A code point's UTF-16 form, written out independently of the code under test.
std::u16string Utf16Of(char32_t code_point) {
  if (code_point < 0x10000) return std::u16string(1, static_cast<char16_t>(code_point));
  return {static_cast<char16_t>(0xD800 | ((code_point - 0x10000) >> 10)),
          static_cast<char16_t>(0xDC00 | (code_point & 0x3FF))};
}

int ShortestLength(char32_t code_point) {
  return code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
}

// `code_point` in the bit layout of a `length`-byte sequence, shortest or not (overlong).
std::string EncodeInBytes(char32_t code_point, int length = 0) {
  if (length == 0) length = ShortestLength(code_point);
  if (length == 1) return std::string(1, static_cast<char>(code_point));
  std::string bytes(static_cast<size_t>(length), '\0');
  for (int i = length - 1; i > 0; --i, code_point >>= 6) {
    bytes[static_cast<size_t>(i)] = static_cast<char>(0x80 | (code_point & 0x3F));
  }
  bytes[0] = static_cast<char>(((0xFF00u >> length) & 0xFF) | code_point);
  return bytes;
}

TEST(StringConversions, EveryScalarValueBothWaysAndEveryMalformedFormRefused) {
  int failures = 0;
  for (char32_t c = 1; c <= 0x1FFFFF && failures < 5; ++c) {
    const int before = failures;
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF, scalar = !surrogate && c <= 0x10FFFF;
    if (scalar) {
      const std::u16string wide = Utf16Of(c);
      const std::string utf8 = EncodeInBytes(c);
      failures += WideToUtf8(wide) != utf8 || ArgumentToUtf8(wide) != utf8 ||
                  Utf8ToWide(utf8) != wide || tesso::Utf8ToWideLenient(utf8) != wide;
    } else if (surrogate) {
      // Alone: rejected, or replaced; and its three-byte form, as a careless encoder writes it.
      failures += ArgumentToUtf8(Utf16Of(c)) != "" || WideToUtf8(Utf16Of(c)) != "\xEF\xBF\xBD" ||
                  Utf8ToWide(EncodeInBytes(c, 3)) != u"";
    } else {
      failures += Utf8ToWide(EncodeInBytes(c, 4)) != u"";  // above U+10FFFF
    }
    for (int length = ShortestLength(c) + 1; c < 0x10000 && length <= 4; ++length) {
      failures += Utf8ToWide(EncodeInBytes(c, length)) != u"";  // overlong
    }
    if (failures != before) ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(c);
  }
  for (char32_t c : {0x80, 0x7FF, 0x800, 0x20AC, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF}) {
    const std::string whole = EncodeInBytes(c);
    for (size_t kept = 1; kept < whole.size(); ++kept) {
      SCOPED_TRACE(static_cast<uint32_t>(c));
      // Cut short at the end and before text, and the continuations without their lead.
      EXPECT_EQ(Utf8ToWide("a" + whole.substr(0, kept)), u"");
      EXPECT_EQ(Utf8ToWide("a" + whole.substr(0, kept) + "b"), u"");
      EXPECT_EQ(Utf8ToWide(whole.substr(kept)), u"");
    }
  }
}

TEST(StringConversions, UnpairedSurrogatesInTextAndTheFirstNulEndTheText) {
  const std::string kFffd = "\xEF\xBF\xBD", kPair = "\xF0\x9F\x98\x80";
  struct Case {
    std::u16string text;
    std::string strict;  // empty: rejected
    std::string lenient;
  };
  const Case cases[] = {
      {{0xD83D, u'a'}, "", kFffd + "a"},
      {{u'a', 0xD83D, u'b'}, "", "a" + kFffd + "b"},
      {{u'a', 0xD83D}, "", "a" + kFffd},
      {{0xDE00, u'a'}, "", kFffd + "a"},
      {{u'a', 0xDE00}, "", "a" + kFffd},
      {{0xDE00, 0xD83D}, "", kFffd + kFffd},
      {{0xD83D, 0xD83D}, "", kFffd + kFffd},
      {{0xD83D, 0xD83D, 0xDE00}, "", kFffd + kPair},
      {{0xD83D, 0xDE00, 0xDE00}, "", kPair + kFffd},
      {{0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {{u'a', 0, u'b'}, "a", "a"},
      {{u'a', 0, 0xD800}, "a", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(ArgumentToUtf8(c.text), c.strict);
    EXPECT_EQ(WideToUtf8(c.text), c.lenient);
  }
  const char16_t* none = nullptr;
  EXPECT_EQ(ArgumentToUtf8(none) + WideToUtf8(none), "");
  EXPECT_EQ(Utf8ToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  for (const char* bad : {"\xF5\x80\x80\x80", "\xF8\x88\x80\x80\x80", "\xFE", "\xFF", "\x80\x80",
                          "a\277b", "\xE1\x80\xC0\x80", "Tesso\xFF"}) {
    EXPECT_EQ(Utf8ToWide(bad), u"") << bad;
  }
}

TEST(LenientUtf8, EachMaximalIllFormedSubsequenceIsOneReplacement) {
  const struct {
    std::string text;
    std::u16string expected;
  } cases[] = {
      {"", u""},
      {"\xEF\xBB\277a", u"\uFEFFa"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      // Bytes that cannot start a sequence: one each.
      {"\x80", u"\uFFFD"},
      {"a\377b", u"a\uFFFDb"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},
      {"\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      // Cut short at the end.
      {"\xC2", u"\uFFFD"},
      {"\xE7\x95", u"\uFFFD"},
      {"\xF0\x9F\x98", u"\uFFFD"},
      // Broken off by a byte that cannot continue it: that byte starts afresh.
      {"a\347b", u"a\uFFFDb"},
      {"\360AA", u"\uFFFDAA"},
      {std::string("\xE0\0", 2), std::u16string(u"\uFFFD\0", 2)},
      {"\xC2\xC2\x80", u"\uFFFD\u0080"},
      {"\xE7\225A", u"\uFFFDA"},
      {"\xF0\x9F\x98\xE7\x95\x8C", u"\uFFFD\u754C"},
      {"\xF0\220AA", u"\uFFFDAA"},
      {"\xE1\x80\x80\x80", u"\u1000\uFFFD"},
      {"\xE1\x80\xC0", u"\uFFFD\uFFFD"},
      // A second byte outside the lead's range (overlong, surrogate, above U+10FFFF): the lead
      // alone, then the continuations one each.
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"\xE0\237A", u"\uFFFD\uFFFDA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(tesso::Utf8ToWideLenient(c.text), c.expected);
  }
}

}  // namespace
