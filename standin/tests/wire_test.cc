// The stand-in's wire library: link frames, the JSON it reads and writes, and UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "standin/wire/frame_codec.h"
#include "standin/wire/json_reader.h"
#include "standin/wire/json_writer.h"
#include "standin/wire/utf8.h"

namespace tesso::standin {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(FrameKind kind, uint32_t id, const std::string& name, const std::string& body) {
  const auto frame =
      EncodeFrame(kind, id, name, reinterpret_cast<const uint8_t*>(body.data()), body.size());
  EXPECT_TRUE(frame.has_value());
  return frame.value_or(Bytes{});
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Prefix(uint32_t n) {
  return {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
}

// "<kind> <id> <name> <body>", a long body as its size and a position-weighted sum.
std::string Describe(const Frame& frame) {
  std::string body(frame.body.begin(), frame.body.end());
  if (body.size() > 16) {
    uint64_t sum = 0;
    for (size_t i = 0; i < body.size(); ++i) sum += (i + 1) * frame.body[i];
    body = std::to_string(body.size()) + " bytes, sum " + std::to_string(sum);
  }
  return std::to_string(frame.kind) + " " + std::to_string(frame.id) + " " + frame.name + " " +
         body;
}

TEST(FrameCodecTest, EncodesLittleEndianLayoutAndRefusesWhatDoesNotFit) {
  // The length of the rest (7 + 3 + 3), RESPONSE, the id, the name, the body.
  EXPECT_EQ(Encode(FrameKind::kResponse, 0x01020304, "a/b", std::string("\xFF\x00\x7F", 3)),
            Bytes({13, 0, 0, 0, 2, 4, 3, 2, 1, 3, 0, 'a', '/', 'b', 0xFF, 0x00, 0x7F}));
  EXPECT_EQ(Encode(FrameKind::kEvent, 0, "", ""), Bytes({7, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Encode(FrameKind::kHostReply, 1, "", "r"),
            Bytes({8, 0, 0, 0, 4, 1, 0, 0, 0, 0, 0, 'r'}));
  const std::string name(65536, 'n');
  EXPECT_FALSE(EncodeFrame(FrameKind::kEvent, 0, name, nullptr, 0).has_value());
  EXPECT_TRUE(EncodeFrame(FrameKind::kEvent, 0, name.substr(1), nullptr, 0).has_value());
  // Refused from its size alone: the body is never read.
  const uint8_t one = 0;
  EXPECT_FALSE(EncodeFrame(FrameKind::kResponse, 1, "c", &one, kMaxFrameLength - kFrameFixedSize)
                   .has_value());
}

TEST(FrameCodecTest, ParsesPayloadsAndRefusesShortOnes) {
  const Bytes round_trip = Encode(FrameKind::kCall, 0x01020304, "tesso.test/host", "xyz");
  // The frame, or empty when refused: the name fills the rest; runs past the end; too short.
  const std::pair<Bytes, std::string> rows[] = {
      {Bytes(round_trip.begin() + 4, round_trip.end()), "1 16909060 tesso.test/host xyz"},
      {{1, 9, 0, 0, 0, 3, 0, 'a', 'b', 'c'}, "1 9 abc "},
      {{1, 9, 0, 0, 0, 4, 0, 'a', 'b', 'c'}, ""},
      {{1, 0, 0, 0, 0, 0}, ""},
      {{}, ""}};
  for (const auto& [payload, text] : rows) {
    const auto frame = ParseFrame(payload.empty() ? nullptr : payload.data(), payload.size());
    EXPECT_EQ(frame ? Describe(*frame) : "", text);
  }
}

// Streams that arrive in pieces: every malformed frame is skipped and the next one is read.
TEST(FrameCodecTest, ReadsStreamsPieceByPieceAndStaysInStep) {
  std::string big(1024 * 1024 + 3, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i & 0xFF);
  const Bytes after = Encode(FrameKind::kCall, 8, "after", "");
  const struct {
    const char* name;
    Bytes stream;
    size_t piece;
    std::vector<std::string> reads;
  } rows[] = {
      // clang-format off
      {"byte by byte", Join({Encode(FrameKind::kCall, 1, "one", "body1"), Encode(FrameKind::kControl, 2, "frame", "{}")}), 1, {"1 1 one body1", "6 2 frame {}", "end"}},
      {"too short", Join({Prefix(3), {0xAA, 0xBB, 0xCC}, after}), 2, {"frame too short", "1 8 after ", "end"}},
      {"empty", Join({Prefix(0), after}), 64, {"frame too short", "1 8 after ", "end"}},
      // Discarded without being kept.
      {"too long", Join({Prefix(kMaxFrameLength + 1), Bytes(kMaxFrameLength + 1, 0x5A), after}), 1 << 20, {"frame too long", "1 8 after ", "end"}},
      {"name past its end", Join({Prefix(9), {1, 1, 0, 0, 0, 0xFF, 0xFF, 'a', 'b'}, after}), 3, {"name runs past the end of the frame", "1 8 after ", "end"}},
      {"a megabyte", Encode(FrameKind::kResponse, 3, "big", big), 4096, {"2 3 big 1048579 bytes, sum 70099662798856", "end"}},
      {"ends inside a frame", Join({Prefix(kMaxFrameLength), {1, 2, 3}}), 1024, {"end"}},
      {"ends inside the prefix", {7, 0}, 1024, {"end"}},
      // clang-format on
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    size_t pos = 0;
    const ByteSource source = [&](uint8_t* buffer, size_t size) {
      const size_t n = std::min({size, row.piece, row.stream.size() - pos});
      std::memcpy(buffer, row.stream.data() + pos, n);
      pos += n;
      return n;
    };
    std::vector<std::string> reads;
    for (ReadResult r = ReadFrame(source);; r = ReadFrame(source)) {
      reads.push_back(r.status == ReadStatus::kFrame ? Describe(r.frame)
                      : r.status == ReadStatus::kEnd ? "end"
                                                     : r.error);
      if (r.status == ReadStatus::kEnd) break;
    }
    EXPECT_EQ(reads, row.reads);
    EXPECT_EQ(pos, row.stream.size());
  }
}

TEST(JsonReaderTest, ReadsWordsKindsAndStrings) {
  const auto object = JsonObject::Parse(R"( {"msg": 16, "wparam": 0, "minus_one": -1,
      "min": -9223372036854775808, "too_low": -9223372036854775809, "max": 18446744073709551615,
      "too_high": 18446744073709551616, "f": 1.5, "e": 1e3, "e-": 1E-3, "e+": 2e+2, "s": "16",
      "b": true, "c": false, "n": null, "o": {"x": [1, {"y": 2}], "z": []},
      "esc": "a\"\\\/\b\f\n\r\t\u00A9\ud83d\ude00", "lone": "\ud800x\udfff\ud800\u0041"}	)");
  ASSERT_TRUE(object.has_value());
  // clang-format off
  const std::pair<const char*, std::optional<uint64_t>> words[] = {
      {"msg", 16}, {"wparam", 0}, {"minus_one", UINT64_MAX}, {"min", uint64_t{1} << 63}, {"too_low", std::nullopt}, {"max", UINT64_MAX},
      {"too_high", std::nullopt}, {"missing", std::nullopt}, {"f", std::nullopt}, {"e", std::nullopt}, {"s", std::nullopt},
      {"b", std::nullopt}, {"n", std::nullopt}, {"o", std::nullopt}};
  // clang-format on
  for (const auto& [key, word] : words) EXPECT_EQ(object->GetWord(key), word) << key;
  std::string kinds;  // kind (number, bool, null, string, other), then the text or truth
  for (const char* key : {"f", "e-", "e+", "s", "b", "c", "n", "o", "esc", "lone"}) {
    const JsonValue& value = *object->Find(key);
    kinds += std::to_string(static_cast<int>(value.kind)) + value.text +
             (value.kind == JsonValue::Kind::kBool && value.boolean ? "t" : "") + ",";
  }
  EXPECT_EQ(kinds,
            "3,3,3,416,1t,1,0,5,4a\"\\/\b\f\n\r\t\xC2\xA9\xF0\x9F\x98\x80,"
            "4\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD"
            "A,");
  EXPECT_FALSE(object->Has("x"));
  EXPECT_TRUE(JsonObject::Parse("{}").has_value());
}

TEST(JsonReaderTest, RefusesWhatIsNotOneObjectAndNestingTooDeep) {
  const std::string deep = "{\"a\":" + std::string(10000, '[') + std::string(10000, ']');
  // clang-format off
  const std::vector<std::string> texts = {"", "[]", "16", "{", "}", "{\"a\"", "{\"a\":1,}", "{\"a\" 1}", "{\"a\":1} x", "{a:1}", "{\"a\":01}",
      "{\"a\":-}", "{\"a\":1.}", "{\"a\":1e}", "{\"a\":\"\\x\"}", "{\"a\":\"\\u12\"}", "{\"a\":\"\\u12\"}\"}", "{\"a\":\"\\ud800\\u12\"}\"}", "{\"a\":tru}",
      "{\"a\":\"unterminated}", "{\"a\":[1,]}", "{\"a\":\"\x01\"}", deep + "}"};
  // clang-format on
  for (const std::string& text : texts) {
    EXPECT_FALSE(JsonObject::Parse(text).has_value()) << text.substr(0, 40);
  }
}

TEST(JsonWriterTest, EscapesAndKeepsOnlyWellFormedUtf8) {
  // A truncated sequence at the end; a surrogate, byte by byte.
  // clang-format off
  const std::pair<std::string, std::string> rows[] = {
      {"a\"b\\c", R"("a\"b\\c")"}, {"\n\r\t\b\f", R"("\n\r\t\b\f")"}, {std::string("\x00\x01\x1f", 3), R"("\u0000\u0001\u001f")"},
      {"\xE4\xB8\xAD\xF0\x9F\x98\x80", "\"\xE4\xB8\xAD\xF0\x9F\x98\x80\""}, {"a\xFF\x62", R"("a\ufffdb")"}, {"\xC3", R"("\ufffd")"},
      {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"}};
  // clang-format on
  for (const auto& [text, json] : rows) {
    std::string out;
    AppendJsonString(out, text);
    EXPECT_EQ(out, json);
  }
}

TEST(JsonWriterTest, WritesMembersInOrder) {
  EXPECT_EQ(JsonObjectWriter().Finish(), "{}");
  // clang-format off
  EXPECT_EQ(JsonObjectWriter().String("name", "x").Int("width", std::numeric_limits<int64_t>::min()).Uint("big", UINT64_MAX)
                .Bool("set", true).Bool("off", false).Null("registrar").StringList("arguments", {"--hidden", "a\"b"}).StringList("none", {}).Finish(),
            "{\"name\":\"x\",\"width\":-9223372036854775808,\"big\":18446744073709551615,"
            "\"set\":true,\"off\":false,\"registrar\":null,\"arguments\":[\"--hidden\","
            "\"a\\\"b\"],\"none\":[]}");
  // clang-format on
}

TEST(Utf8Test, ConvertsUtf16AndReplacesUnpairedSurrogates) {
  // clang-format off
  const std::pair<std::u16string, std::string> rows[] = {
      {u"data\\flutter_assets", "data\\flutter_assets"}, {u"\u00e9\u07FF\u4e2d\uFFFF", "\xC3\xA9\xDF\xBF\xE4\xB8\xAD\xEF\xBF\xBF"},
      {u"\U00010000\U0001F600\U0010FFFF", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"}, {u"", ""},
      {{u'a', 0xD83D, u'b'}, "a\xEF\xBF\xBD\x62"}, {{0xDE00}, "\xEF\xBF\xBD"}, {{u'x', 0xD800}, "x\xEF\xBF\xBD"}};
  // clang-format on
  for (const auto& [text, utf8] : rows) EXPECT_EQ(Utf16ToUtf8(text), utf8);
}

TEST(Utf8Test, MeasuresSequencesAndChecksWholeTexts) {
  // The first sequence's length (0: ill-formed: stray, overlong, surrogate, past U+10FFFF,
  // truncated, no continuation) and whether the whole text is UTF-8.
  // clang-format off
  const std::tuple<const char*, size_t, bool> cases[] = {
      {"A", 1, true}, {"\xC3\xA9", 2, true}, {"\xDF\xBF", 2, true}, {"\xE4\xB8\xAD", 3, true}, {"\xEF\xBF\xBF", 3, true},
      {"\xF4\x8F\xBF\xBF", 4, true}, {"", 0, true}, {"\x80", 0, false}, {"\xC0\xAF", 0, false}, {"\xE0\x80\xAF", 0, false},
      {"\xED\xA0\x80", 0, false}, {"\xF4\x90\x80\x80", 0, false}, {"\xF5\x80\x80\x80", 0, false}, {"\xE4\xB8", 0, false},
      {"\xE4\x41\xAD", 0, false}, {"ab\xC3\xA9", 1, true}, {"ab\xFF\x63", 1, false}};
  // clang-format on
  for (const auto& [text, length, whole] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Utf8SequenceLength(text), length);
    EXPECT_EQ(IsUtf8(text), whole);
  }
}

}  // namespace
}  // namespace tesso::standin
