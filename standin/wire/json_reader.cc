#include "standin/wire/json_reader.h"

#include <limits>

#include "standin/wire/utf8.h"

namespace tesso::standin {
namespace {

// Nested containers deeper than this are refused rather than risking the stack.
constexpr int kMaxDepth = 32;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool AtEnd() {
    SkipSpace();
    return pos_ == text_.size();
  }

  bool ParseObject(std::map<std::string, JsonValue>* members, int depth) {
    if (depth > kMaxDepth || !Consume('{')) return false;
    SkipSpace();
    if (Consume('}')) return true;
    while (true) {
      SkipSpace();
      std::string key;
      if (!ParseString(&key)) return false;
      SkipSpace();
      if (!Consume(':')) return false;
      JsonValue value;
      if (!ParseValue(&value, depth)) return false;
      if (members != nullptr) (*members)[key] = std::move(value);
      SkipSpace();
      if (Consume('}')) return true;
      if (!Consume(',')) return false;
    }
  }

 private:
  bool ParseValue(JsonValue* value, int depth) {
    SkipSpace();
    if (pos_ == text_.size()) return false;
    const char c = text_[pos_];
    if (c == '{') {
      value->kind = JsonValue::Kind::kOther;
      return ParseObject(nullptr, depth + 1);
    }
    if (c == '[') {
      value->kind = JsonValue::Kind::kOther;
      return ParseArray(depth + 1);
    }
    if (c == '"') {
      value->kind = JsonValue::Kind::kString;
      return ParseString(&value->text);
    }
    if (Literal("true")) {
      value->kind = JsonValue::Kind::kBool;
      value->boolean = true;
      return true;
    }
    if (Literal("false")) {
      value->kind = JsonValue::Kind::kBool;
      return true;
    }
    if (Literal("null")) {
      value->kind = JsonValue::Kind::kNull;
      return true;
    }
    return ParseNumber(value);
  }

  bool ParseArray(int depth) {
    if (depth > kMaxDepth || !Consume('[')) return false;
    SkipSpace();
    if (Consume(']')) return true;
    while (true) {
      JsonValue ignored;
      if (!ParseValue(&ignored, depth)) return false;
      SkipSpace();
      if (Consume(']')) return true;
      if (!Consume(',')) return false;
    }
  }

  bool ParseNumber(JsonValue* value) {
    value->negative = Consume('-');
    if (!IsDigit()) return false;
    bool fits = true;
    uint64_t magnitude = 0;
    if (Consume('0')) {
      if (IsDigit()) return false;  // no leading zeros
    } else {
      while (IsDigit()) {
        const uint64_t digit = static_cast<uint64_t>(text_[pos_++] - '0');
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) fits = false;
        magnitude = magnitude * 10 + digit;
      }
    }
    bool integer = fits;
    if (Consume('.')) {
      integer = false;
      if (!IsDigit()) return false;
      while (IsDigit()) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      integer = false;
      ++pos_;
      if (!Consume('+')) Consume('-');
      if (!IsDigit()) return false;
      while (IsDigit()) ++pos_;
    }
    value->kind = integer ? JsonValue::Kind::kInteger : JsonValue::Kind::kNumber;
    value->magnitude = integer ? magnitude : 0;
    return true;
  }

  bool ParseString(std::string* out) {
    if (!Consume('"')) return false;
    while (pos_ < text_.size()) {
      const auto c = static_cast<unsigned char>(text_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out->push_back(static_cast<char>(c));
        continue;
      }
      if (pos_ == text_.size()) return false;
      const char escape = text_[pos_++];
      switch (escape) {
        case '"':
          out->push_back('"');
          break;
        case '\\':
          out->push_back('\\');
          break;
        case '/':
          out->push_back('/');
          break;
        case 'b':
          out->push_back('\b');
          break;
        case 'f':
          out->push_back('\f');
          break;
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case 'u':
          if (!ParseUnicodeEscape(out)) return false;
          break;
        default:
          return false;
      }
    }
    return false;
  }

  // After "\u": four hex digits, a surrogate pair as two escapes; a lone surrogate becomes
  // U+FFFD.
  bool ParseUnicodeEscape(std::string* out) {
    uint32_t unit = 0;
    if (!Hex4(&unit)) return false;
    uint32_t cp = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && text_.substr(pos_, 2) == "\\u") {
      const size_t saved = pos_;
      pos_ += 2;
      uint32_t low = 0;
      if (!Hex4(&low)) return false;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      } else {
        pos_ = saved;
        cp = 0xFFFD;
      }
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendCodePoint(*out, cp);
    return true;
  }

  bool Hex4(uint32_t* value) {
    if (text_.size() - pos_ < 4) return false;
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[pos_++];
      uint32_t digit = 0;
      if (c >= '0' && c <= '9') {
        digit = static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
      *value = *value << 4 | digit;
    }
    return true;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool IsDigit() const { return pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9'; }

  bool Consume(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::optional<JsonObject> JsonObject::Parse(std::string_view text) {
  JsonObject object;
  Parser parser(text);
  if (parser.AtEnd() || !parser.ParseObject(&object.members_, 0) || !parser.AtEnd())
    return std::nullopt;
  return object;
}

const JsonValue* JsonObject::Find(const std::string& key) const {
  const auto it = members_.find(key);
  return it == members_.end() ? nullptr : &it->second;
}

std::optional<uint64_t> JsonObject::GetWord(const std::string& key) const {
  const JsonValue* value = Find(key);
  if (value == nullptr || value->kind != JsonValue::Kind::kInteger) return std::nullopt;
  if (!value->negative) return value->magnitude;
  constexpr uint64_t kMinMagnitude = uint64_t{1} << 63;
  if (value->magnitude > kMinMagnitude) return std::nullopt;
  return ~value->magnitude + 1;  // two's complement of the magnitude
}

}  // namespace tesso::standin
