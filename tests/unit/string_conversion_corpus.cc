#include "tests/unit/string_conversion_corpus.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace tesso_test {
namespace {

// "61 E2 82" -> the three bytes.
std::string B(const char* hex) {
  std::string bytes;
  const char* p = hex;
  while (*p != '\0') {
    char* end = nullptr;
    bytes.push_back(static_cast<char>(std::strtoul(p, &end, 16)));
    p = end;
    while (*p == ' ') ++p;
  }
  return bytes;
}

using U = std::u16string;

const std::string kFffd = B("EF BF BD");

}  // namespace

const std::vector<WideCase>& WideCorpus() {
  static const std::vector<WideCase> corpus = {
      {"empty", U(), "", ""},
      {"plain ASCII", U(u"Tesso --hidden"), "Tesso --hidden", "Tesso --hidden"},
      {"Chinese", U(u"\u8FDC\u7A0B"), B("E8 BF 9C E7 A8 8B"), B("E8 BF 9C E7 A8 8B")},
      {"high surrogate alone", U{0xD800}, "", kFffd},
      {"low surrogate alone", U{0xDC00}, "", kFffd},
      {"high surrogate at start", U{0xD83D, u'a'}, "", kFffd + "a"},
      {"high surrogate in the middle", U{u'a', 0xD83D, u'b'}, "", "a" + kFffd + "b"},
      {"high surrogate at end", U{u'a', 0xD83D}, "", "a" + kFffd},
      {"low surrogate at start", U{0xDE00, u'a'}, "", kFffd + "a"},
      {"low surrogate in the middle", U{u'a', 0xDE00, u'b'}, "", "a" + kFffd + "b"},
      {"low surrogate at end", U{u'a', 0xDE00}, "", "a" + kFffd},
      {"reversed pair", U{0xDE00, 0xD83D}, "", kFffd + kFffd},
      {"two high surrogates", U{0xD83D, 0xD83D}, "", kFffd + kFffd},
      {"high surrogate before a pair", U{0xD83D, 0xD83D, 0xDE00}, "", kFffd + B("F0 9F 98 80")},
      {"low surrogate after a pair", U{0xD83D, 0xDE00, 0xDE00}, "", B("F0 9F 98 80") + kFffd},
      {"U+1F600", U{0xD83D, 0xDE00}, B("F0 9F 98 80"), B("F0 9F 98 80")},
      {"U+10000", U{0xD800, 0xDC00}, B("F0 90 80 80"), B("F0 90 80 80")},
      {"U+10FFFF", U{0xDBFF, 0xDFFF}, B("F4 8F BF BF"), B("F4 8F BF BF")},
      {"one- to two-byte boundary", U{0x7F, 0x80}, B("7F C2 80"), B("7F C2 80")},
      {"two- to three-byte boundary", U{0x7FF, 0x800}, B("DF BF E0 A0 80"), B("DF BF E0 A0 80")},
      {"around the surrogates", U{0xD7FF, 0xE000}, B("ED 9F BF EE 80 80"), B("ED 9F BF EE 80 80")},
      {"byte order mark", U{0xFEFF, u'a'}, B("EF BB BF 61"), B("EF BB BF 61")},
      {"noncharacters", U{0xFFFE, 0xFFFF}, B("EF BF BE EF BF BF"), B("EF BF BE EF BF BF")},
      {"replacement character itself", U{0xFFFD}, kFffd, kFffd},
      {"embedded NUL ends the text", U{u'a', 0, u'b'}, "a", "a"},
      {"surrogate after the NUL is not read", U{u'a', 0, 0xD800}, "a", "a"},
  };
  return corpus;
}

const std::vector<Utf8Case>& Utf8Corpus() {
  static const std::vector<Utf8Case> corpus = {
      {"empty", "", U()},
      {"plain ASCII", "Tesso", U(u"Tesso")},
      {"Chinese", B("E8 BF 9C E7 A8 8B"), U(u"\u8FDC\u7A0B")},
      {"embedded NUL", B("61 00 62"), U{u'a', 0, u'b'}},
      {"NUL alone", B("00"), U{0}},
      {"U+1F600", B("F0 9F 98 80"), U{0xD83D, 0xDE00}},
      {"U+10000", B("F0 90 80 80"), U{0xD800, 0xDC00}},
      {"U+10FFFF", B("F4 8F BF BF"), U{0xDBFF, 0xDFFF}},
      {"two-byte bounds", B("C2 80 DF BF"), U{0x80, 0x7FF}},
      {"three-byte bounds", B("E0 A0 80 EF BF BF"), U{0x800, 0xFFFF}},
      {"around the surrogates", B("ED 9F BF EE 80 80"), U{0xD7FF, 0xE000}},
      {"byte order mark is kept", B("EF BB BF 61"), U{0xFEFF, u'a'}},
      {"noncharacter", B("EF BF BE"), U{0xFFFE}},
      {"replacement character itself", B("EF BF BD"), U{0xFFFD}},
      {"overlong NUL C0 80", B("C0 80"), U()},
      {"overlong C1 BF", B("C1 BF"), U()},
      {"overlong E0 80 80", B("E0 80 80"), U()},
      {"overlong E0 9F BF", B("E0 9F BF"), U()},
      {"overlong F0 80 80 80", B("F0 80 80 80"), U()},
      {"overlong F0 8F BF BF", B("F0 8F BF BF"), U()},
      {"truncated E2 82 at end", B("61 E2 82"), U()},
      {"truncated E2 82 in the middle", B("61 E2 82 62"), U()},
      {"truncated F0 9F 98 at end", B("61 F0 9F 98"), U()},
      {"truncated F0 9F 98 in the middle", B("61 F0 9F 98 62"), U()},
      {"lead byte alone at end", B("61 C2"), U()},
      {"lead byte before ASCII", B("E2 61"), U()},
      {"lead byte inside a sequence", B("E1 80 C0 80"), U()},
      {"encoded high surrogate ED A0 80", B("ED A0 80"), U()},
      {"encoded low surrogate ED BF BF", B("ED BF BF"), U()},
      {"encoded surrogate pair", B("ED A0 BD ED B8 80"), U()},
      {"above U+10FFFF F4 90 80 80", B("F4 90 80 80"), U()},
      {"lead F5", B("F5 80 80 80"), U()},
      {"lead F7", B("F7 BF BF BF"), U()},
      {"lead F8, five bytes", B("F8 88 80 80 80"), U()},
      {"lead FC, six bytes", B("FC 84 80 80 80 80"), U()},
      {"FE", B("FE"), U()},
      {"FF", B("FF"), U()},
      {"stray continuation byte", B("80"), U()},
      {"stray continuation in text", B("61 BF 62"), U()},
      {"two stray continuations", B("80 80"), U()},
      {"valid text, then one bad byte", B("54 65 73 73 6F FF"), U()},
  };
  return corpus;
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char digits[4];
  for (char byte : bytes) {
    std::snprintf(digits, sizeof(digits), "%02X", static_cast<uint8_t>(byte));
    if (!out.empty()) out += ' ';
    out += digits;
  }
  return "[" + out + "]";
}

std::string HexUnits(const std::u16string& units) {
  std::string out;
  char digits[6];
  for (char16_t unit : units) {
    std::snprintf(digits, sizeof(digits), "%04X", static_cast<unsigned>(unit));
    if (!out.empty()) out += ' ';
    out += digits;
  }
  return "[" + out + "]";
}

}  // namespace tesso_test
