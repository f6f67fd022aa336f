// The lenient notice-text conversion against MultiByteToWideChar with CP_UTF8 and no flags,
// under Wine: every sequence of up to three bytes from the bytes where decoding changes, and
// longer ones drawn from them. They agree on every text whose multi-byte sequences are all
// complete. Wine's converter differs on a sequence broken off early, where it keeps less:
// "a\xE7b" gives "a\uFFFD" (the lead swallows what follows), "\xF0AA" gives "\uFFFD", and a
// lead with an out-of-range second byte ("\xE0\x80") is one U+FFFD for the two. Ours keeps
// every well-formed character after the maximal ill-formed subsequence, as the Windows
// converter documents it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/lenient_utf8.h"
#include "base/string_conversions.h"
#include "base/utf8_sequence.h"

namespace {

// The two-call sequence the notice texts stand for: size query, then the conversion.
std::u16string WindowsLenient(const std::string& text) {
  if (text.empty()) return std::u16string();
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return std::u16string();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return std::u16string(wide.begin(), wide.end());
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char unit[4];
  for (unsigned char byte : bytes) {
    std::snprintf(unit, sizeof(unit), "%02X ", byte);
    out += unit;
  }
  return out;
}

std::string Hex(const std::u16string& units) {
  std::string out;
  char unit[6];
  for (char16_t value : units) {
    std::snprintf(unit, sizeof(unit), "%04X ", static_cast<unsigned>(value));
    out += unit;
  }
  return out;
}

const std::string kEdgeBytes = {'\x00', '\x41', '\x7F', '\x80', '\x8F', '\x90', '\x9F', '\xA0',
                                '\xBF', '\xC0', '\xC1', '\xC2', '\xDF', '\xE0', '\xE1', '\xED',
                                '\xEF', '\xF0', '\xF1', '\xF4', '\xF5', '\xF8', '\xFE', '\xFF'};

// A lead byte whose sequence is not complete and well-formed: where Wine keeps less.
bool HasBrokenSequence(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const int length = tesso::utf8::ClassifyLead(static_cast<uint8_t>(text[i])).length;
    if (length > 1 && tesso::Utf8ToWide(text.substr(i, static_cast<size_t>(length))).empty()) {
      return true;
    }
  }
  return false;
}

TEST(LenientUtf8WindowsTest, EqualsTheWindowsConversionWhereWineKeepsEverything) {
  EXPECT_EQ(tesso::Utf8ToWideLenient("a\xE7"
                                     "b"),
            u"a\uFFFDb");
  int disagreements = 0;
  std::string examples;
  auto compare = [&](const std::string& text) {
    const std::u16string windows = WindowsLenient(text);
    const std::u16string portable = tesso::Utf8ToWideLenient(text);
    if (windows == portable || HasBrokenSequence(text)) return;
    if (++disagreements <= 8) {
      examples += "\n  " + Hex(text) + ": Windows " + Hex(windows) + "/ portable " + Hex(portable);
    }
  };
  for (char a : kEdgeBytes) {
    compare(std::string(1, a));
    for (char b : kEdgeBytes) {
      compare(std::string{a, b});
      for (char c : kEdgeBytes) compare(std::string{a, b, c});
    }
  }
  for (const char* text : {"\xF0\x9F\x98\x80", "\xF0\x9F\x98", "\xF0\x9F\x98\x41",
                           "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF0\x8F\xBF\xBF",
                           "\xE7\x95\x8C\xE7\x95", "Tesso \xC2\xB7 \xE7\x95\x8C"}) {
    compare(text);
  }
  // Fixed seed: the same texts in every run.
  std::mt19937 random(20261206);
  std::uniform_int_distribution<size_t> length(4, 12);
  std::uniform_int_distribution<size_t> pick(0, kEdgeBytes.size() - 1);
  for (int n = 0; n < 50000; ++n) {
    std::string text(length(random), '\0');
    for (char& byte : text) byte = kEdgeBytes[pick(random)];
    compare(text);
  }
  EXPECT_EQ(disagreements, 0) << examples;
}

}  // namespace
