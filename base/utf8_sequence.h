// The shape of well-formed UTF-8 sequences and UTF-16 encoding, shared by the strict and the
// lenient conversions.
#ifndef TESSO_BASE_UTF8_SEQUENCE_H_
#define TESSO_BASE_UTF8_SEQUENCE_H_

#include <cstdint>
#include <string>

namespace tesso {
namespace utf8 {

// The second byte's range depends on the lead byte (this is what excludes overlong forms,
// surrogates and values above U+10FFFF); every later byte is 80..BF.
struct LeadByte {
  int length;  // 0: the byte cannot start a sequence
  uint8_t second_min;
  uint8_t second_max;
};

inline LeadByte ClassifyLead(uint8_t byte) {
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

inline bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// `code_point` must be a scalar value (not a surrogate, at most U+10FFFF).
inline void AppendUtf16(char32_t code_point, std::u16string* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<char16_t>(code_point));
  } else {
    const char32_t offset = code_point - 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
  }
}

}  // namespace utf8
}  // namespace tesso

#endif  // TESSO_BASE_UTF8_SEQUENCE_H_
