#include "standin/wire/json_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tesso::standin {
namespace {

std::string Quote(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

TEST(JsonWriterTest, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(Quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(Quote("\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
  EXPECT_EQ(Quote(std::string("\x00\x01\x1f", 3)), "\"\\u0000\\u0001\\u001f\"");
  EXPECT_EQ(Quote("data\\icudtl.dat"), "\"data\\\\icudtl.dat\"");
}

TEST(JsonWriterTest, KeepsWellFormedUtf8AndReplacesTheRest) {
  EXPECT_EQ(Quote("\xE4\xB8\xAD\xF0\x9F\x98\x80"), "\"\xE4\xB8\xAD\xF0\x9F\x98\x80\"");
  EXPECT_EQ(Quote("a\xFF"
                  "b"),
            "\"a\\ufffdb\"");
  EXPECT_EQ(Quote("\xC3"), "\"\\ufffd\"");                        // truncated at the end
  EXPECT_EQ(Quote("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");  // a surrogate, byte by byte
}

TEST(JsonWriterTest, WritesMembersInOrder) {
  const std::string json = JsonObjectWriter()
                               .String("name", "x")
                               .Int("width", -5)
                               .Uint("big", std::numeric_limits<uint64_t>::max())
                               .Bool("set", true)
                               .Bool("off", false)
                               .Null("registrar")
                               .StringList("arguments", {"--hidden", "a\"b"})
                               .StringList("none", {})
                               .Finish();
  EXPECT_EQ(json,
            "{\"name\":\"x\",\"width\":-5,\"big\":18446744073709551615,\"set\":true,"
            "\"off\":false,\"registrar\":null,\"arguments\":[\"--hidden\",\"a\\\"b\"],"
            "\"none\":[]}");
}

TEST(JsonWriterTest, EmptyObject) { EXPECT_EQ(JsonObjectWriter().Finish(), "{}"); }

TEST(JsonWriterTest, WritesExtremeSignedValues) {
  EXPECT_EQ(JsonObjectWriter().Int("v", std::numeric_limits<int64_t>::min()).Finish(),
            "{\"v\":-9223372036854775808}");
}

}  // namespace
}  // namespace tesso::standin
