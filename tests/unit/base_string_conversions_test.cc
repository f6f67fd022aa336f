#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/string_conversions.h"
#include "tests/unit/string_conversion_corpus.h"

namespace {

using tesso::ArgumentToUtf8;
using tesso::Utf8ToWide;
using tesso::WideToUtf8;
using tesso_test::HexBytes;
using tesso_test::HexUnits;

// A code point's UTF-16 form, written out independently of the code under test.
std::u16string Utf16Of(char32_t code_point) {
  if (code_point < 0x10000) return std::u16string(1, static_cast<char16_t>(code_point));
  const char32_t offset = code_point - 0x10000;
  return {static_cast<char16_t>(0xD800 | (offset >> 10)),
          static_cast<char16_t>(0xDC00 | (offset & 0x3FF))};
}

// `code_point` in the UTF-8 bit layout of a `length`-byte sequence, whether or not that is
// its shortest form (longer ones are the overlong forms).
std::string EncodeInBytes(char32_t code_point, int length) {
  if (length == 1) return std::string(1, static_cast<char>(code_point));
  std::string bytes(static_cast<size_t>(length), '\0');
  for (int i = length - 1; i > 0; --i) {
    bytes[static_cast<size_t>(i)] = static_cast<char>(0x80 | (code_point & 0x3F));
    code_point >>= 6;
  }
  const uint32_t lead_marker = (0xFF00u >> length) & 0xFF;
  bytes[0] = static_cast<char>(lead_marker | code_point);
  return bytes;
}

int ShortestLength(char32_t code_point) {
  if (code_point < 0x80) return 1;
  if (code_point < 0x800) return 2;
  if (code_point < 0x10000) return 3;
  return 4;
}

TEST(StringConversionsCorpus, ArgumentToUtf8GivesWhatWindowsGives) {
  for (const auto& item : tesso_test::WideCorpus()) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(HexBytes(ArgumentToUtf8(item.text)), HexBytes(item.strict));
    EXPECT_EQ(HexBytes(ArgumentToUtf8(item.text.c_str())), HexBytes(item.strict));
  }
}

TEST(StringConversionsCorpus, WideToUtf8GivesWhatWindowsGives) {
  for (const auto& item : tesso_test::WideCorpus()) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(HexBytes(WideToUtf8(item.text)), HexBytes(item.lenient));
    EXPECT_EQ(HexBytes(WideToUtf8(item.text.c_str())), HexBytes(item.lenient));
  }
}

TEST(StringConversionsCorpus, Utf8ToWideGivesWhatWindowsGives) {
  for (const auto& item : tesso_test::Utf8Corpus()) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(HexUnits(Utf8ToWide(item.text)), HexUnits(item.wide));
  }
}

TEST(StringConversionsNull, NullPointerGivesEmptyString) {
  const char16_t* none = nullptr;
  EXPECT_EQ(ArgumentToUtf8(none), "");
  EXPECT_EQ(WideToUtf8(none), "");
}

TEST(StringConversionsScalarValues, EveryScalarValueConvertsBothWaysInItsShortestForm) {
  int failures = 0;
  for (char32_t code_point = 1; code_point <= 0x10FFFF && failures < 5; ++code_point) {
    if (code_point >= 0xD800 && code_point <= 0xDFFF) continue;
    const std::u16string wide = Utf16Of(code_point);
    const std::string utf8 = EncodeInBytes(code_point, ShortestLength(code_point));
    const std::string lenient = WideToUtf8(wide);
    const std::string strict = ArgumentToUtf8(wide);
    const std::u16string back = Utf8ToWide(utf8);
    if (lenient != utf8 || strict != utf8 || back != wide) {
      ++failures;
      ADD_FAILURE() << "U+" << std::hex << static_cast<uint32_t>(code_point) << ": lenient "
                    << HexBytes(lenient) << ", strict " << HexBytes(strict) << ", back "
                    << HexUnits(back) << ", expected " << HexBytes(utf8);
    }
  }
}

TEST(StringConversionsScalarValues, EverySurrogateUnitAloneIsRejectedOrReplaced) {
  for (char32_t unit = 0xD800; unit <= 0xDFFF; ++unit) {
    const std::u16string wide(1, static_cast<char16_t>(unit));
    SCOPED_TRACE(HexUnits(wide));
    EXPECT_EQ(ArgumentToUtf8(wide), "");
    EXPECT_EQ(HexBytes(WideToUtf8(wide)), "[EF BF BD]");
    // Its three-byte form, as an encoder that ignores surrogates would write it.
    EXPECT_EQ(Utf8ToWide(EncodeInBytes(unit, 3)), u"");
  }
}

TEST(StringConversionsMalformedUtf8, EveryOverlongFormIsRejected) {
  int accepted = 0;
  for (char32_t code_point = 0; code_point < 0x10000; ++code_point) {
    for (int length = ShortestLength(code_point) + 1; length <= 4; ++length) {
      if (!Utf8ToWide(EncodeInBytes(code_point, length)).empty()) {
        if (++accepted <= 5) {
          ADD_FAILURE() << "accepted " << HexBytes(EncodeInBytes(code_point, length));
        }
      }
    }
  }
  EXPECT_EQ(accepted, 0);
}

TEST(StringConversionsMalformedUtf8, EveryFourByteFormAboveU10FFFFIsRejected) {
  int accepted = 0;
  for (char32_t code_point = 0x110000; code_point <= 0x1FFFFF; ++code_point) {
    if (!Utf8ToWide(EncodeInBytes(code_point, 4)).empty()) {
      if (++accepted <= 5) ADD_FAILURE() << "accepted " << HexBytes(EncodeInBytes(code_point, 4));
    }
  }
  EXPECT_EQ(accepted, 0);
}

TEST(StringConversionsMalformedUtf8, EveryTruncatedSequenceIsRejectedAtEndAndBeforeText) {
  for (char32_t code_point : {0x80, 0x7FF, 0x800, 0x20AC, 0xFFFF, 0x10000, 0x1F600, 0x10FFFF}) {
    const std::string whole = EncodeInBytes(code_point, ShortestLength(code_point));
    for (size_t kept = 1; kept < whole.size(); ++kept) {
      const std::string part = whole.substr(0, kept);
      SCOPED_TRACE(HexBytes(part));
      EXPECT_EQ(Utf8ToWide("a" + part), u"");
      EXPECT_EQ(Utf8ToWide("a" + part + "b"), u"");
      // The continuation bytes without their lead.
      EXPECT_EQ(Utf8ToWide(whole.substr(kept)), u"");
    }
  }
}

}  // namespace
