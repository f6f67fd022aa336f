#include "standin/wire/json_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tesso::standin {
namespace {

TEST(JsonReaderTest, ReadsWordsKindsAndStrings) {
  const auto object = JsonObject::Parse(R"( {"msg": 16, "wparam": 0, "minus_one": -1,
      "min": -9223372036854775808, "too_low": -9223372036854775809, "max": 18446744073709551615,
      "too_high": 18446744073709551616, "f": 1.5, "e": 1e3, "e-": 1E-3, "e+": 2e+2, "s": "16",
      "b": true, "c": false, "n": null, "o": {"x": [1, {"y": 2}], "z": []},
      "esc": "a\"\\\/\b\f\n\r\t\u00A9\ud83d\ude00", "lone": "\ud800x\udfff\ud800\u0041"}	)");
  ASSERT_TRUE(object.has_value());
  const struct {
    const char* key;
    std::optional<uint64_t> word;
  } words[] = {{"msg", 16},
               {"wparam", 0},
               {"minus_one", UINT64_MAX},
               {"min", uint64_t{1} << 63},
               {"too_low", std::nullopt},
               {"max", UINT64_MAX},
               {"too_high", std::nullopt},
               {"missing", std::nullopt},
               {"f", std::nullopt},
               {"e", std::nullopt},
               {"s", std::nullopt},
               {"b", std::nullopt},
               {"n", std::nullopt},
               {"o", std::nullopt}};
  for (const auto& row : words) EXPECT_EQ(object->GetWord(row.key), row.word) << row.key;
  EXPECT_EQ(object->Find("f")->kind, JsonValue::Kind::kNumber);
  EXPECT_EQ(object->Find("e-")->kind, JsonValue::Kind::kNumber);
  EXPECT_EQ(object->Find("e+")->kind, JsonValue::Kind::kNumber);
  EXPECT_EQ(object->Find("s")->text, "16");
  EXPECT_TRUE(object->Find("b")->boolean);
  EXPECT_EQ(object->Find("c")->kind, JsonValue::Kind::kBool);
  EXPECT_FALSE(object->Find("c")->boolean);
  EXPECT_EQ(object->Find("n")->kind, JsonValue::Kind::kNull);
  EXPECT_EQ(object->Find("o")->kind, JsonValue::Kind::kOther);
  EXPECT_FALSE(object->Has("x"));
  EXPECT_EQ(object->Find("esc")->text, "a\"\\/\b\f\n\r\t\xC2\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(object->Find("lone")->text,
            "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD"
            "A");
  EXPECT_TRUE(JsonObject::Parse("{}").has_value());
}

TEST(JsonReaderTest, RefusesWhatIsNotOneObjectAndNestingTooDeep) {
  std::string deep = "{\"a\":";
  for (int i = 0; i < 10000; ++i) deep += "[";
  for (int i = 0; i < 10000; ++i) deep += "]";
  for (const std::string& text : {std::string(),
                                  std::string("[]"),
                                  std::string("16"),
                                  std::string("{"),
                                  std::string("}"),
                                  std::string("{\"a\""),
                                  std::string("{\"a\":1,}"),
                                  std::string("{\"a\" 1}"),
                                  std::string("{\"a\":1} x"),
                                  std::string("{a:1}"),
                                  std::string("{\"a\":01}"),
                                  std::string("{\"a\":-}"),
                                  std::string("{\"a\":1.}"),
                                  std::string("{\"a\":1e}"),
                                  std::string("{\"a\":\"\\x\"}"),
                                  std::string("{\"a\":\"\\u12\"}"),
                                  std::string("{\"a\":\"\\u12\"}\"}"),
                                  std::string("{\"a\":tru}"),
                                  std::string("{\"a\":\"unterminated}"),
                                  std::string("{\"a\":[1,]}"),
                                  std::string("{\"a\":\"\x01\"}"),
                                  deep + "}"}) {
    EXPECT_FALSE(JsonObject::Parse(text).has_value()) << text.substr(0, 40);
  }
}

}  // namespace
}  // namespace tesso::standin
