#include "tests/unit/value_description.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

template <typename F, typename Bits>
std::string FloatBits(F number) {
  Bits bits;
  std::memcpy(&bits, &number, sizeof bits);
  char text[20];
  std::snprintf(text, sizeof text, sizeof(Bits) == 8 ? "%016llx" : "%08llx",
                static_cast<unsigned long long>(bits));
  return text;
}

template <typename T, typename Print>
std::string Sequence(const std::vector<T>& items, Print print) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i != 0) out += ",";
    out += print(items[i]);
  }
  return out + "]";
}

struct Describer {
  std::string operator()(std::monostate) const { return "null"; }
  std::string operator()(bool b) const { return b ? "true" : "false"; }
  std::string operator()(int32_t n) const { return "i32:" + std::to_string(n); }
  std::string operator()(int64_t n) const { return "i64:" + std::to_string(n); }
  std::string operator()(double d) const { return "f64:" + FloatBits<double, uint64_t>(d); }
  std::string operator()(const std::string& s) const {
    std::string out = "str:\"";
    for (unsigned char c : s) {
      if (c >= 0x20 && c <= 0x7e && c != '"' && c != '\\') {
        out += static_cast<char>(c);
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
        out += escaped;
      }
    }
    return out + "\"";
  }
  std::string operator()(const std::vector<uint8_t>& b) const { return "bytes:" + ToHex(b); }
  std::string operator()(const std::vector<int32_t>& v) const {
    return "i32s:" + Sequence(v, [](int32_t n) { return std::to_string(n); });
  }
  std::string operator()(const std::vector<int64_t>& v) const {
    return "i64s:" + Sequence(v, [](int64_t n) { return std::to_string(n); });
  }
  std::string operator()(const std::vector<double>& v) const {
    return "f64s:" + Sequence(v, FloatBits<double, uint64_t>);
  }
  std::string operator()(const std::vector<float>& v) const {
    return "f32s:" + Sequence(v, FloatBits<float, uint32_t>);
  }
  std::string operator()(const EncodableList& list) const {
    return "list:" + Sequence(list, [](const EncodableValue& v) { return Describe(v); });
  }
  std::string operator()(const EncodableMap& map) const {
    std::string out = "map:{";
    bool first = true;
    for (const auto& [key, value] : map) {
      if (!first) out += ",";
      first = false;
      out += Describe(key) + "=" + Describe(value);
    }
    return out + "}";
  }
  std::string operator()(const flutter::CustomEncodableValue&) const { return "custom"; }
};

}  // namespace

std::string Describe(const EncodableValue& value) {
  const flutter::EncodableVariant& base = value;
  return std::visit(Describer{}, base);
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
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
