#include "base/lenient_utf8.h"

#include <cstddef>
#include <cstdint>

#include "base/utf8_sequence.h"

namespace tesso {
namespace {

constexpr char16_t kReplacementCharacter = 0xFFFD;

}  // namespace

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
    // The maximal subpart: the lead and as many following bytes as could still continue its
    // sequence. A complete one is a character; anything shorter is one replacement, and the
    // byte that broke it off starts afresh.
    size_t taken = 1;
    char32_t code_point = lead & (0xFF >> (kind.length + 1));
    while (taken < static_cast<size_t>(kind.length) && i + taken < text.size()) {
      const uint8_t next = static_cast<uint8_t>(text[i + taken]);
      const bool second = taken == 1;
      if (next < (second ? kind.second_min : 0x80) || next > (second ? kind.second_max : 0xBF)) {
        break;
      }
      code_point = (code_point << 6) | (next & 0x3F);
      ++taken;
    }
    if (kind.length > 1 && taken == static_cast<size_t>(kind.length)) {
      utf8::AppendUtf16(code_point, &out);
    } else {
      out.push_back(kReplacementCharacter);
    }
    i += taken;
  }
  return out;
}

}  // namespace tesso
