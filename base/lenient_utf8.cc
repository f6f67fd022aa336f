#include "base/lenient_utf8.h"

#include <cstddef>
#include <cstdint>

#include "base/utf8_sequence.h"

namespace tesso {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

}  // namespace

// How much of an ill-formed sequence one U+FFFD replaces is as MultiByteToWideChar does it,
// measured under Wine (see the comparison test).
std::u16string Utf8ToWideLenient(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const utf8::LeadByte kind = utf8::ClassifyLead(lead);
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
    if (!utf8::IsContinuation(second)) {
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
    while (taken < kind.length && utf8::IsContinuation(static_cast<uint8_t>(text[i + taken]))) {
      code_point = (code_point << 6) | (static_cast<uint8_t>(text[i + taken]) & 0x3F);
      ++taken;
    }
    if (taken == kind.length) {
      utf8::AppendUtf16(code_point, &out);
    } else {
      out.push_back(kReplacementCharacter);
    }
    i += static_cast<size_t>(taken);
  }
  return out;
}

}  // namespace tesso
