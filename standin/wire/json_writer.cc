#include "standin/wire/json_writer.h"

#include "standin/wire/utf8.h"

namespace tesso::standin {

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(byte));
      ++i;
    } else if (byte < 0x20) {
      switch (byte) {
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        case '\b':
          out += "\\b";
          break;
        case '\f':
          out += "\\f";
          break;
        default:
          out += "\\u00";
          out.push_back(kHex[byte >> 4]);
          out.push_back(kHex[byte & 0xF]);
      }
      ++i;
    } else {
      const size_t length = Utf8SequenceLength(text.substr(i));
      if (length == 0) {
        out += "\\ufffd";
        ++i;
      } else {
        out.append(text, i, length);
        i += length;
      }
    }
  }
  out.push_back('"');
}

void JsonObjectWriter::Key(std::string_view key) {
  if (!members_.empty()) members_.push_back(',');
  AppendJsonString(members_, key);
  members_.push_back(':');
}

JsonObjectWriter& JsonObjectWriter::String(std::string_view key, std::string_view value) {
  Key(key);
  AppendJsonString(members_, value);
  return *this;
}

JsonObjectWriter& JsonObjectWriter::Int(std::string_view key, int64_t value) {
  Key(key);
  members_ += std::to_string(value);
  return *this;
}

JsonObjectWriter& JsonObjectWriter::Uint(std::string_view key, uint64_t value) {
  Key(key);
  members_ += std::to_string(value);
  return *this;
}

JsonObjectWriter& JsonObjectWriter::Bool(std::string_view key, bool value) {
  Key(key);
  members_ += value ? "true" : "false";
  return *this;
}

JsonObjectWriter& JsonObjectWriter::Null(std::string_view key) {
  Key(key);
  members_ += "null";
  return *this;
}

JsonObjectWriter& JsonObjectWriter::StringList(std::string_view key,
                                               const std::vector<std::string>& values) {
  Key(key);
  members_.push_back('[');
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) members_.push_back(',');
    AppendJsonString(members_, values[i]);
  }
  members_.push_back(']');
  return *this;
}

}  // namespace tesso::standin
