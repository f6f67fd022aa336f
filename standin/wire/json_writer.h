// Builds the JSON objects carried by the engine's events. Portable: no platform headers.
#ifndef TESSO_STANDIN_WIRE_JSON_WRITER_H_
#define TESSO_STANDIN_WIRE_JSON_WRITER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tesso::standin {

// Appends `text` as a JSON string literal. Quotes, backslashes and control characters are
// escaped; bytes that are not well-formed UTF-8 become U+FFFD, so the result is always valid
// JSON whatever the input.
void AppendJsonString(std::string& out, std::string_view text);

// One flat JSON object, members in the order they are added. Keys are not checked for
// duplicates.
class JsonObjectWriter {
 public:
  JsonObjectWriter& String(std::string_view key, std::string_view value);
  JsonObjectWriter& Int(std::string_view key, int64_t value);
  JsonObjectWriter& Uint(std::string_view key, uint64_t value);
  JsonObjectWriter& Bool(std::string_view key, bool value);
  JsonObjectWriter& Null(std::string_view key);
  JsonObjectWriter& StringList(std::string_view key, const std::vector<std::string>& values);

  // The object's text, "{}" when nothing was added.
  std::string Finish() const { return "{" + members_ + "}"; }

 private:
  void Key(std::string_view key);

  std::string members_;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_WIRE_JSON_WRITER_H_
