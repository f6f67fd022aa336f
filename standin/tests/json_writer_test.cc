#include "standin/wire/json_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tesso::standin {
namespace {

TEST(JsonWriterTest, EscapesAndKeepsOnlyWellFormedUtf8) {
  const struct {
    std::string text, json;
  } rows[] = {
      {"a\"b\\c", R"("a\"b\\c")"},
      {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
      {std::string("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
      {"\xE4\xB8\xAD\xF0\x9F\x98\x80", "\"\xE4\xB8\xAD\xF0\x9F\x98\x80\""},
      {"a\xFF"
       "b",
       R"("a\ufffdb")"},
      {"\xC3", R"("\ufffd")"},                      // truncated at the end
      {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},  // a surrogate, byte by byte
  };
  for (const auto& row : rows) {
    std::string out;
    AppendJsonString(out, row.text);
    EXPECT_EQ(out, row.json);
  }
}

TEST(JsonWriterTest, WritesMembersInOrder) {
  EXPECT_EQ(JsonObjectWriter().Finish(), "{}");
  EXPECT_EQ(JsonObjectWriter()
                .String("name", "x")
                .Int("width", std::numeric_limits<int64_t>::min())
                .Uint("big", std::numeric_limits<uint64_t>::max())
                .Bool("set", true)
                .Bool("off", false)
                .Null("registrar")
                .StringList("arguments", {"--hidden", "a\"b"})
                .StringList("none", {})
                .Finish(),
            "{\"name\":\"x\",\"width\":-9223372036854775808,\"big\":18446744073709551615,"
            "\"set\":true,\"off\":false,\"registrar\":null,\"arguments\":[\"--hidden\","
            "\"a\\\"b\"],\"none\":[]}");
}

}  // namespace
}  // namespace tesso::standin
