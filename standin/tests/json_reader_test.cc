#include "standin/wire/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tesso::standin {
namespace {

TEST(JsonReaderTest, ReadsMessageParameters) {
  const auto object = JsonObject::Parse(R"({"msg": 16, "wparam": 0, "lparam": 12345})");
  ASSERT_TRUE(object.has_value());
  EXPECT_EQ(object->GetWord("msg"), 16u);
  EXPECT_EQ(object->GetWord("wparam"), 0u);
  EXPECT_EQ(object->GetWord("lparam"), 12345u);
  EXPECT_FALSE(object->GetWord("missing").has_value());
  EXPECT_FALSE(object->Has("missing"));
}

TEST(JsonReaderTest, NegativeNumbersBecomeTwosComplementWords) {
  const auto object = JsonObject::Parse(
      R"({"minus_one": -1, "min": -9223372036854775808, "too_low": -9223372036854775809,
          "max": 18446744073709551615, "too_high": 18446744073709551616})");
  ASSERT_TRUE(object.has_value());
  EXPECT_EQ(object->GetWord("minus_one"), UINT64_MAX);
  EXPECT_EQ(object->GetWord("min"), uint64_t{1} << 63);
  EXPECT_FALSE(object->GetWord("too_low").has_value());
  EXPECT_EQ(object->GetWord("max"), UINT64_MAX);
  EXPECT_FALSE(object->GetWord("too_high").has_value());
}

TEST(JsonReaderTest, NonIntegersAreNotWords) {
  const auto object = JsonObject::Parse(
      R"({"f": 1.5, "e": 1e3, "s": "16", "b": true, "n": null, "o": {"x": [1, {"y": 2}]}})");
  ASSERT_TRUE(object.has_value());
  for (const char* key : {"f", "e", "s", "b", "n", "o"}) {
    EXPECT_FALSE(object->GetWord(key).has_value()) << key;
  }
  EXPECT_EQ(object->Find("f")->kind, JsonValue::Kind::kNumber);
  EXPECT_EQ(object->Find("s")->text, "16");
  EXPECT_TRUE(object->Find("b")->boolean);
  EXPECT_EQ(object->Find("n")->kind, JsonValue::Kind::kNull);
  EXPECT_EQ(object->Find("o")->kind, JsonValue::Kind::kOther);
}

TEST(JsonReaderTest, DecodesStringEscapes) {
  const auto object =
      JsonObject::Parse(R"({"s": "a\"\\\/\n\u00e9\ud83d\ude00", "lone": "\ud800x"})");
  ASSERT_TRUE(object.has_value());
  EXPECT_EQ(object->Find("s")->text, "a\"\\/\n\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(object->Find("lone")->text, "\xEF\xBF\xBDx");
}

TEST(JsonReaderTest, AcceptsEmptyObjectAndWhiteSpace) {
  EXPECT_TRUE(JsonObject::Parse("{}").has_value());
  EXPECT_TRUE(JsonObject::Parse(" \n{ }\t").has_value());
}

TEST(JsonReaderTest, RefusesWhatIsNotOneObject) {
  for (const char* text :
       {"", "[]", "16", "{", "}", "{\"a\":1,}", "{\"a\" 1}", "{\"a\":1} x", "{a:1}", "{\"a\":01}",
        "{\"a\":-}", "{\"a\":1.}", "{\"a\":\"\\x\"}", "{\"a\":\"\\u12\"}", "{\"a\":tru}",
        "{\"a\":\"unterminated}", "{\"a\":[1,]}", "{\"a\":\"\x01\"}"}) {
    EXPECT_FALSE(JsonObject::Parse(text).has_value()) << text;
  }
}

TEST(JsonReaderTest, RefusesNestingTooDeepInsteadOfOverflowing) {
  std::string deep = "{\"a\":";
  for (int i = 0; i < 10000; ++i) deep += "[";
  for (int i = 0; i < 10000; ++i) deep += "]";
  deep += "}";
  EXPECT_FALSE(JsonObject::Parse(deep).has_value());
  std::string shallow = "{\"a\":[[[[1]]]]}";
  EXPECT_TRUE(JsonObject::Parse(shallow).has_value());
}

}  // namespace
}  // namespace tesso::standin
