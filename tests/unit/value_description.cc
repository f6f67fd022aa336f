#include "tests/unit/value_description.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tesso_test {
namespace {

template <typename Number>
std::string Text(Number n) {
  if constexpr (std::is_floating_point_v<Number>) {  // the exact bits, in hex
    uint64_t bits = 0;
    std::memcpy(&bits, &n, sizeof n);
    char text[20];
    std::snprintf(text, sizeof text, sizeof n == 8 ? "%016llx" : "%08llx",
                  static_cast<unsigned long long>(bits));
    return text;
  } else {
    return std::to_string(n);
  }
}

struct Describer {
  template <typename T>
  std::string Sequence(const char* name, const std::vector<T>& items) const {
    std::string out = std::string(name) + "[";
    for (size_t i = 0; i < items.size(); ++i) {
      if constexpr (std::is_same_v<T, flutter::EncodableValue>) {
        out += (i ? "," : "") + Describe(items[i]);
      } else {
        out += (i ? "," : "") + Text(items[i]);
      }
    }
    return out + "]";
  }
  std::string operator()(std::monostate) const { return "null"; }
  std::string operator()(bool b) const { return b ? "true" : "false"; }
  std::string operator()(int32_t n) const { return "i32:" + Text(n); }
  std::string operator()(int64_t n) const { return "i64:" + Text(n); }
  std::string operator()(double d) const { return "f64:" + Text(d); }
  std::string operator()(const std::string& s) const {
    std::string out = "str:\"";
    for (unsigned char c : s) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += c >= 0x20 && c <= 0x7e && c != '"' && c != '\\' ? std::string(1, c) : escaped;
    }
    return out + "\"";
  }
  std::string operator()(const std::vector<uint8_t>& b) const { return "bytes:" + ToHex(b); }
  std::string operator()(const std::vector<int32_t>& v) const { return Sequence("i32s:", v); }
  std::string operator()(const std::vector<int64_t>& v) const { return Sequence("i64s:", v); }
  std::string operator()(const std::vector<double>& v) const { return Sequence("f64s:", v); }
  std::string operator()(const std::vector<float>& v) const { return Sequence("f32s:", v); }
  std::string operator()(const flutter::EncodableList& v) const { return Sequence("list:", v); }
  std::string operator()(const flutter::EncodableMap& map) const {
    std::string out = "map:{";
    for (const auto& [key, value] : map) {
      out += (out.size() > 5 ? "," : "") + Describe(key) + "=" + Describe(value);
    }
    return out + "}";
  }
  std::string operator()(const flutter::CustomEncodableValue&) const { return "custom"; }
};

}  // namespace

std::string Describe(const flutter::EncodableValue& value) {
  return std::visit(Describer{}, static_cast<const flutter::EncodableVariant&>(value));
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
  std::string out;
  for (uint8_t b : bytes) out += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
  return out;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::invalid_argument("not a hex digit");
  };
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
  }
  return bytes;
}

}  // namespace tesso_test
