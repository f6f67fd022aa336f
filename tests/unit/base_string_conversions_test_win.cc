// The portable conversions against Windows' own under Wine, on text generated from the units
// and bytes where conversion changes. The lenient one differs from Wine's MultiByteToWideChar
// on a sequence broken off early, where Wine keeps less: "a\xE7b" gives "a\uFFFD" (the lead
// swallows what follows), "\xF0AA" gives "\uFFFD", and a lead with an out-of-range second byte
// ("\xE0\x80") is one U+FFFD for the two. Ours keeps every well-formed character after the
// maximal ill-formed subsequence, as the Windows converter documents it.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "base/lenient_utf8.h"
#include "base/string_conversions.h"
#include "base/utf8_sequence.h"

namespace {

using namespace std::string_literals;

// WideCharToMultiByte on the NUL-terminated text, terminator dropped; empty on failure.
std::string WindowsToUtf8(const std::u16string& text, DWORD flags) {
  const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
  const int size = WideCharToMultiByte(CP_UTF8, flags, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, flags, wide, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();
  return out;
}

// MultiByteToWideChar with the explicit byte length; empty on failure.
std::u16string WindowsToWide(const std::string& text, DWORD flags) {
  const int length = static_cast<int>(text.size());
  const int size = MultiByteToWideChar(CP_UTF8, flags, text.data(), length, nullptr, 0);
  if (size <= 0) return std::u16string();
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, flags, text.data(), length, out.data(), size);
  return std::u16string(out.begin(), out.end());
}

// Every text of `min` to `max` elements of `alphabet`, then `random` texts of up to 12.
template <typename Text>
void ForEachText(const Text& alphabet, size_t min, size_t max, int random,
                 const std::function<void(const Text&)>& visit) {
  for (size_t length = min; length <= max; ++length) {
    size_t combinations = 1;
    for (size_t i = 0; i < length; ++i) combinations *= alphabet.size();
    for (size_t index = 0; index < combinations; ++index) {
      Text text;
      for (size_t rest = index, i = 0; i < length; ++i, rest /= alphabet.size()) {
        text += alphabet[rest % alphabet.size()];
      }
      visit(text);
    }
  }
  std::mt19937 generator(20261206);  // the same texts in every run
  for (int n = 0; n < random; ++n) {
    Text text(1 + generator() % 12, 0);
    for (auto& unit : text) unit = alphabet[generator() % alphabet.size()];
    visit(text);
  }
}

// NUL, the UTF-8 length steps, both surrogate ranges and their ends, the byte order mark, the top.
const std::u16string kEdgeUnits = {0x0000, 0x0041, 0x007F, 0x0080, 0x07FF, 0x0800,
                                   0xD7FF, 0xD800, 0xD83D, 0xDBFF, 0xDC00, 0xDE00,
                                   0xDFFF, 0xE000, 0xFEFF, 0xFFFD, 0xFFFF};
// ASCII, the continuation bounds (the second-byte limits of E0, ED, F0 and F4 among them) and
// every kind of lead byte, valid or not.
const std::string kEdgeBytes =
    "\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE1\xEC"
    "\xED\xEE\xEF\xF0\xF1\xF3\xF4\xF5\xF7\xF8\xFB\xFC\xFD\xFE\xFF"s;

TEST(WindowsStringConversions, PortableAndWindowsAgreeOnEveryGeneratedText) {
  int disagreements = 0, accepted = 0;
  auto report = [&](const std::string& what) {
    if (++disagreements <= 8) ADD_FAILURE() << what;
  };
  ForEachText<std::u16string>(kEdgeUnits, 1, 4, 100000, [&](const std::u16string& text) {
    if (tesso::ArgumentToUtf8(text) != WindowsToUtf8(text, WC_ERR_INVALID_CHARS) ||
        tesso::WideToUtf8(text) != WindowsToUtf8(text, 0)) {
      report("UTF-16 text of " + std::to_string(text.size()) + " units, first " +
             std::to_string(text[0]));
    }
  });
  ForEachText<std::string>(kEdgeBytes, 1, 4, 200000, [&](const std::string& text) {
    const std::u16string windows = WindowsToWide(text, MB_ERR_INVALID_CHARS);
    accepted += !windows.empty();
    if (tesso::Utf8ToWide(text) != windows) report("UTF-8 text " + text);
    // The lenient conversion, where Wine keeps everything: no sequence is broken off.
    for (size_t i = 0; i < text.size(); ++i) {
      const int length = tesso::utf8::ClassifyLead(static_cast<uint8_t>(text[i])).length;
      if (length > 1 && tesso::Utf8ToWide(text.substr(i, static_cast<size_t>(length))).empty()) {
        return;
      }
    }
    if (tesso::Utf8ToWideLenient(text) != WindowsToWide(text, 0)) report("lenient " + text);
  });
  EXPECT_EQ(disagreements, 0);
  EXPECT_GT(accepted, 1000);
}

}  // namespace
