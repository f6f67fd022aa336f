// The portable string conversions against the Windows conversions themselves, run under Wine:
// first the corpus, whose expectations were measured this way, then large generated sets.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/string_conversions.h"
#include "tests/unit/string_conversion_corpus.h"
#include "tests/unit/windows_string_conversions_win.h"

namespace {

using tesso_test::HexBytes;
using tesso_test::HexUnits;
using tesso_test::WindowsArgumentToUtf8;
using tesso_test::WindowsUtf8ToWide;
using tesso_test::WindowsWideToUtf8;

// Units where UTF-16 handling changes: NUL, the UTF-8 length steps, both surrogate ranges and
// their ends, the byte order mark and the top.
const std::u16string kEdgeUnits = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800,
                                   0xD7FF, 0xD800, 0xD83D, 0xDBFF, 0xDC00, 0xDE00,
                                   0xDFFF, 0xE000, 0xFEFF, 0xFFFD, 0xFFFF};

// Bytes where UTF-8 decoding changes: ASCII, continuation bounds (the second-byte limits of E0,
// ED, F0 and F4 among them), and every kind of lead byte, valid or not.
const std::string kEdgeBytes = {'\x00', '\x41', '\x7F', '\x80', '\x8F', '\x90', '\x9F', '\xA0',
                                '\xBF', '\xC0', '\xC1', '\xC2', '\xDF', '\xE0', '\xE1', '\xEC',
                                '\xED', '\xEE', '\xEF', '\xF0', '\xF1', '\xF3', '\xF4', '\xF5',
                                '\xF7', '\xF8', '\xFB', '\xFC', '\xFD', '\xFE', '\xFF'};

// Counts disagreements and keeps the first few for the failure message.
class Disagreements {
 public:
  void Add(const std::string& description) {
    ++count_;
    if (examples_.size() < 8) examples_ += "\n  " + description;
  }
  int count() const { return count_; }
  const std::string& examples() const { return examples_; }

 private:
  int count_ = 0;
  std::string examples_;
};

void CompareWide(const std::u16string& text, Disagreements* disagreements) {
  const std::string windows_strict = WindowsArgumentToUtf8(text.c_str());
  const std::string portable_strict = tesso::ArgumentToUtf8(text);
  const std::string windows_lenient = WindowsWideToUtf8(text.c_str());
  const std::string portable_lenient = tesso::WideToUtf8(text);
  if (windows_strict != portable_strict || windows_lenient != portable_lenient) {
    disagreements->Add(HexUnits(text) + ": Windows " + HexBytes(windows_strict) + " / " +
                       HexBytes(windows_lenient) + ", portable " + HexBytes(portable_strict) +
                       " / " + HexBytes(portable_lenient));
  }
}

// Returns whether Windows accepted `text`.
bool CompareUtf8(const std::string& text, Disagreements* disagreements) {
  const std::u16string windows = WindowsUtf8ToWide(text);
  const std::u16string portable = tesso::Utf8ToWide(text);
  if (windows != portable) {
    disagreements->Add(HexBytes(text) + ": Windows " + HexUnits(windows) + ", portable " +
                       HexUnits(portable));
  }
  return !windows.empty();
}

// The portable side meets the same expectations in the native tests.
TEST(WindowsStringConversionsCorpus, WindowsGivesTheExpectedResults) {
  for (const auto& item : tesso_test::WideCorpus()) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(HexBytes(WindowsArgumentToUtf8(item.text.c_str())), HexBytes(item.strict));
    EXPECT_EQ(HexBytes(WindowsWideToUtf8(item.text.c_str())), HexBytes(item.lenient));
  }
  for (const auto& item : tesso_test::Utf8Corpus()) {
    SCOPED_TRACE(item.name);
    EXPECT_EQ(HexUnits(WindowsUtf8ToWide(item.text)), HexUnits(item.wide));
  }
}

TEST(WindowsStringConversionsGenerated, EverySingleUtf16Unit) {
  Disagreements disagreements;
  for (uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    CompareWide(std::u16string(1, static_cast<char16_t>(unit)), &disagreements);
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
}

TEST(WindowsStringConversionsGenerated, EdgeUnitsInEveryOrderUpToFourLong) {
  Disagreements disagreements;
  const size_t n = kEdgeUnits.size();
  for (size_t length = 2; length <= 4; ++length) {
    size_t combinations = 1;
    for (size_t i = 0; i < length; ++i) combinations *= n;
    for (size_t index = 0; index < combinations; ++index) {
      std::u16string text;
      for (size_t rest = index, i = 0; i < length; ++i, rest /= n) text += kEdgeUnits[rest % n];
      CompareWide(text, &disagreements);
    }
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
}

TEST(WindowsStringConversionsGenerated, RandomUtf16RichInSurrogates) {
  std::mt19937 random(20240601);
  Disagreements disagreements;
  for (int round = 0; round < 100000; ++round) {
    std::u16string text;
    const uint32_t length = 1 + random() % 10;
    for (uint32_t i = 0; i < length; ++i) {
      const uint32_t kind = random() % 3;
      if (kind == 0) {
        text += kEdgeUnits[random() % kEdgeUnits.size()];
      } else if (kind == 1) {
        text += static_cast<char16_t>(0xD800 + random() % 0x800);
      } else {
        text += static_cast<char16_t>(1 + random() % 0xFFFF);
      }
    }
    CompareWide(text, &disagreements);
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
}

TEST(WindowsStringConversionsGenerated, EveryUtf8StringOfOneOrTwoBytes) {
  Disagreements disagreements;
  int accepted = 0;
  for (uint32_t first = 0; first <= 0xFF; ++first) {
    const std::string one(1, static_cast<char>(first));
    accepted += CompareUtf8(one, &disagreements) ? 1 : 0;
    for (uint32_t second = 0; second <= 0xFF; ++second) {
      accepted += CompareUtf8(one + static_cast<char>(second), &disagreements) ? 1 : 0;
    }
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
  // 128 ASCII bytes alone, 128 x 128 ASCII pairs and the 30 x 64 two-byte characters.
  EXPECT_EQ(accepted, 128 + 128 * 128 + 30 * 64);
}

TEST(WindowsStringConversionsGenerated, EdgeBytesInEveryOrderUpToFourLong) {
  Disagreements disagreements;
  int accepted = 0;
  const size_t n = kEdgeBytes.size();
  for (size_t length = 3; length <= 4; ++length) {
    size_t combinations = 1;
    for (size_t i = 0; i < length; ++i) combinations *= n;
    for (size_t index = 0; index < combinations; ++index) {
      std::string text;
      for (size_t rest = index, i = 0; i < length; ++i, rest /= n) text += kEdgeBytes[rest % n];
      accepted += CompareUtf8(text, &disagreements) ? 1 : 0;
    }
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
  EXPECT_GT(accepted, 0);
}

TEST(WindowsStringConversionsGenerated, RandomUtf8RichInLeadAndContinuationBytes) {
  std::mt19937 random(20240602);
  Disagreements disagreements;
  int accepted = 0;
  for (int round = 0; round < 200000; ++round) {
    std::string text;
    const uint32_t length = 1 + random() % 12;
    for (uint32_t i = 0; i < length; ++i) {
      const uint32_t kind = random() % 4;
      if (kind == 0) {
        text += kEdgeBytes[random() % kEdgeBytes.size()];
      } else if (kind == 1) {
        text += static_cast<char>(0x80 + random() % 0x40);
      } else {
        text += static_cast<char>(random() % 0x100);
      }
    }
    accepted += CompareUtf8(text, &disagreements) ? 1 : 0;
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
  EXPECT_GT(accepted, 0);
}

TEST(WindowsStringConversionsGenerated, ValidUtf8OfRandomScalarValues) {
  // Random text is rarely valid; this builds valid text from random code points and then
  // damages one byte of it, so that both outcomes are common.
  std::mt19937 random(20240603);
  Disagreements disagreements;
  int accepted = 0;
  for (int round = 0; round < 50000; ++round) {
    std::u16string wide;
    const uint32_t length = 1 + random() % 6;
    for (uint32_t i = 0; i < length; ++i) {
      uint32_t code_point = random() % 0x110000;
      if (code_point >= 0xD800 && code_point <= 0xDFFF) code_point = 0xFFFD;
      if (code_point == 0) code_point = 0x20;
      if (code_point < 0x10000) {
        wide += static_cast<char16_t>(code_point);
      } else {
        wide += static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
        wide += static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
      }
    }
    std::string text = WindowsWideToUtf8(wide.c_str());
    accepted += CompareUtf8(text, &disagreements) ? 1 : 0;
    text[random() % text.size()] = static_cast<char>(random() % 0x100);
    accepted += CompareUtf8(text, &disagreements) ? 1 : 0;
  }
  EXPECT_EQ(disagreements.count(), 0) << disagreements.examples();
  EXPECT_GT(accepted, 50000);
}

}  // namespace
