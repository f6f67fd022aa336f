#include "base/string_conversions.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/utf8_sequence.h"

namespace tesso {
namespace {

// Measured under Wine 8 and matching Windows 10: WideCharToMultiByte without flags replaces
// every unpaired surrogate unit by one U+FFFD, and with WC_ERR_INVALID_CHARS fails on any.
// (Windows before Vista encoded lone surrogates as three bytes instead; the manifest requires
// Windows 10.)
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(char32_t code_point, std::string* out) {
  if (code_point < 0x80) {
    out->push_back(static_cast<char>(code_point));
  } else if (code_point < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code_point >> 6)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else if (code_point < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code_point >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code_point >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code_point >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code_point & 0x3F)));
  }
}

// Returns false on the first unpaired surrogate when `strict`; otherwise replaces it.
bool Utf16ToUtf8(std::u16string_view text, bool strict, std::string* out) {
  out->reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    char32_t code_point = unit;
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code_point =
          0x10000 + ((static_cast<char32_t>(unit - 0xD800) << 10) | (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      if (strict) return false;
      code_point = kReplacementCharacter;
    }
    AppendUtf8(code_point, out);
  }
  return true;
}

std::u16string_view UpToFirstNul(const char16_t* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

}  // namespace

std::string ArgumentToUtf8(const char16_t* text) {
  std::string out;
  if (!Utf16ToUtf8(UpToFirstNul(text), /*strict=*/true, &out)) return std::string();
  return out;
}

std::string ArgumentToUtf8(const std::u16string& text) { return ArgumentToUtf8(text.c_str()); }

std::string WideToUtf8(const char16_t* text) {
  std::string out;
  Utf16ToUtf8(UpToFirstNul(text), /*strict=*/false, &out);
  return out;
}

std::string WideToUtf8(const std::u16string& text) { return WideToUtf8(text.c_str()); }

std::u16string Utf8ToWide(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    const utf8::LeadByte kind = utf8::ClassifyLead(lead);
    if (kind.length == 0 || text.size() - i < static_cast<size_t>(kind.length)) {
      return std::u16string();
    }
    if (kind.length == 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    const uint8_t second = static_cast<uint8_t>(text[i + 1]);
    if (second < kind.second_min || second > kind.second_max) return std::u16string();
    char32_t code_point = lead & (0xFF >> (kind.length + 1));
    for (int k = 1; k < kind.length; ++k) {
      const uint8_t byte = static_cast<uint8_t>(text[i + k]);
      if ((byte & 0xC0) != 0x80) return std::u16string();
      code_point = (code_point << 6) | (byte & 0x3F);
    }
    utf8::AppendUtf16(code_point, &out);
    i += kind.length;
  }
  return out;
}

}  // namespace tesso
