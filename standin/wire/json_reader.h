// Reads the JSON objects that drive the engine's control operations. Portable: no platform
// headers.
#ifndef TESSO_STANDIN_WIRE_JSON_READER_H_
#define TESSO_STANDIN_WIRE_JSON_READER_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tesso::standin {

// One member value of a parsed object. Nested objects and arrays are checked for syntax but
// not kept (kind kOther).
struct JsonValue {
  enum class Kind { kNull, kBool, kInteger, kNumber, kString, kOther };
  Kind kind = Kind::kNull;
  bool boolean = false;
  // kInteger: magnitude and sign of an integer that fits in 64 bits of magnitude.
  bool negative = false;
  uint64_t magnitude = 0;
  std::string text;  // kString: the decoded UTF-8 text
};

class JsonObject {
 public:
  // Null unless `text` is exactly one JSON object (surrounding white space allowed).
  static std::optional<JsonObject> Parse(std::string_view text);

  bool Has(const std::string& key) const { return members_.count(key) != 0; }
  const JsonValue* Find(const std::string& key) const;

  // The member as a 64-bit two's-complement pattern: any integer from -2^63 to 2^64 - 1.
  // Meant for machine words such as message parameters. Null when absent or not such an
  // integer.
  std::optional<uint64_t> GetWord(const std::string& key) const;

 private:
  std::map<std::string, JsonValue> members_;
};

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_WIRE_JSON_READER_H_
