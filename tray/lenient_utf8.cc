#include "tray/lenient_utf8.h"

#include <cstddef>
#include <cstdint>

namespace tesso {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

// The well-formed sequences: the second byte's range depends on the lead byte (which rules
// out overlong forms, surrogates and values above U+10FFFF); later bytes are 80..BF.
// How much of an ill-formed sequence one U+FFFD replaces is as MultiByteToWideChar does it,
// measured under Wine (see the comparison test).
struct LeadByte {
  int length;  // 0: the byte cannot start a sequence
  uint8_t second_min;
  uint8_t second_max;
};

LeadByte ClassifyLead(uint8_t byte) {
  if (byte < 0x80) return {1, 0, 0};
  if (byte >= 0xC2 && byte <= 0xDF) return {2, 0x80, 0xBF};
  if (byte == 0xE0) return {3, 0xA0, 0xBF};
  if (byte == 0xED) return {3, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF) return {3, 0x80, 0xBF};
  if (byte == 0xF0) return {4, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {4, 0x80, 0xBF};
  if (byte == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

void AppendUtf16(char32_t code_point, std::u16string* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<char16_t>(code_point));
  } else {
    const char32_t offset = code_point - 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
  }
}

}  // namespace

std::u16string Utf8ToWideLenient(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const LeadByte kind = ClassifyLead(lead);
    if (kind.length == 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    if (kind.length == 0) {
      out.push_back(kReplacementCharacter);
      ++i;
      continue;
    }
    // A sequence longer than what is left: the rest is one replacement, whatever it holds.
    if (text.size() - i < static_cast<size_t>(kind.length)) {
      out.push_back(kReplacementCharacter);
      break;
    }
    const uint8_t second = static_cast<uint8_t>(text[i + 1]);
    if (!IsContinuation(second)) {
      out.push_back(kReplacementCharacter);
      ++i;
      continue;
    }
    // A continuation byte outside the lead's range (overlong, surrogate, above U+10FFFF) is
    // replaced together with the lead.
    if (second < kind.second_min || second > kind.second_max) {
      out.push_back(kReplacementCharacter);
      i += 2;
      continue;
    }
    char32_t code_point = ((lead & (0xFF >> (kind.length + 1))) << 6) | (second & 0x3F);
    int taken = 2;
    while (taken < kind.length && IsContinuation(static_cast<uint8_t>(text[i + taken]))) {
      code_point = (code_point << 6) | (static_cast<uint8_t>(text[i + taken]) & 0x3F);
      ++taken;
    }
    if (taken == kind.length) {
      AppendUtf16(code_point, &out);
    } else {
      out.push_back(kReplacementCharacter);
    }
    i += static_cast<size_t>(taken);
  }
  return out;
}

}  // namespace tesso
