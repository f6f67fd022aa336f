// The standard codec: the golden vectors it shares with the peer console's codec, what hostile
// messages may cost, and the few rules the vectors cannot show.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "messaging/byte_buffer_stream_reader.h"
#include "messaging/byte_buffer_stream_writer.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_codec_serializer.h"
#include "messaging/standard_method_codec.h"
#include "tests/unit/value_description.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::StandardCodecSerializer;
using flutter::StandardMethodCodec;
using tesso_test::Describe;
using tesso_test::FromHex;
using tesso_test::ToHex;
using Bytes = std::vector<uint8_t>;

const std::string kInvalidRead = "Invalid read in StandardCodecByteStreamReader\n";
const std::string kTooDeep =
    "Nesting limit of 256 exceeded in StandardCodecSerializer::ReadValueOfType\n";
const size_t kBudget = StandardCodecSerializer::kMaxOverrun;

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

Bytes Encode(const EncodableValue& value) {
  Bytes bytes;
  flutter::ByteBufferStreamWriter writer(&bytes);
  StandardCodecSerializer::GetInstance().WriteValue(value, &writer);
  return bytes;
}

// Decodes one value; `errors` gets what went to the standard error stream meanwhile.
EncodableValue Decode(const Bytes& bytes, std::string* errors, size_t* made_up = nullptr) {
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  testing::internal::CaptureStderr();
  EncodableValue value = StandardCodecSerializer::GetInstance().ReadValue(&reader);
  *errors = testing::internal::GetCapturedStderr();
  if (made_up != nullptr) *made_up = reader.made_up();
  return value;
}

// "gen-bytes:N" stands for a byte list of N bytes, byte i being i & 0xff.
Bytes Expand(const std::string& hex) {
  const std::string generator = "gen-bytes:";
  if (hex == "-") return {};
  if (hex.rfind(generator, 0) != 0) return FromHex(hex);
  Bytes payload(std::stoul(hex.substr(generator.size())));
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i);
  return Encode(EncodableValue(payload));
}

// What a vector's bytes decode to, in the vectors' notation, and their canonical re-encoding.
std::string DecodeVector(const std::string& kind, const Bytes& bytes, Bytes* reencoded) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  if (kind.rfind("value", 0) == 0) {
    flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
    EncodableValue value = StandardCodecSerializer::GetInstance().ReadValue(&reader);
    *reencoded = Encode(value);
    return Describe(value);
  }
  if (kind.rfind("call", 0) == 0) {
    auto call = codec.DecodeMethodCall(bytes);
    if (!call) return "-";
    *reencoded = *codec.EncodeMethodCall(*call);
    return Describe(EncodableList{EncodableValue(call->method_name()), *call->arguments()});
  }
  std::string out;
  flutter::MethodResultFunctions<EncodableValue> result(
      [&](const EncodableValue* value) {
        out = value ? Describe(*value) : "null";
        *reencoded = *codec.EncodeSuccessEnvelope(value);
      },
      [&](const std::string& code, const std::string& message, const EncodableValue* details) {
        out = Describe(EncodableList{EncodableValue(code),
                                     message.empty() ? EncodableValue() : EncodableValue(message),
                                     details ? *details : EncodableValue()});
        *reencoded = *codec.EncodeErrorEnvelope(code, message, details);
      },
      nullptr);
  return codec.DecodeAndProcessResponseEnvelope(bytes.data(), bytes.size(), &result) ? out : "-";
}

TEST(CodecGoldenVectors, DecodeDescribeAndReencodeExactly) {
  std::ifstream file(TESSO_GOLDEN_VECTORS, std::ios::binary);
  std::string line;
  int number = 0, vectors = 0;
  while (std::getline(file, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    ++vectors;
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string part; std::getline(fields, part, '\t');) f.push_back(part);
    f.resize(5);
    SCOPED_TRACE("line " + std::to_string(number) + ": " + f[0]);
    const Bytes bytes = Expand(f[2]);
    std::string expected = f[3];
    if (expected.rfind("gen-bytes:", 0) == 0) {
      Bytes payload = Expand(expected);
      expected =
          "bytes:" + ToHex(Bytes(payload.end() - std::stol(expected.substr(10)), payload.end()));
    }
    for (size_t bar; (bar = f[4].find('|')) != std::string::npos;) f[4][bar] = '\n';
    if (!f[4].empty()) f[4] += '\n';
    Bytes reencoded;
    testing::internal::CaptureStderr();
    const std::string description = DecodeVector(f[1], bytes, &reencoded);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), f[4]);
    EXPECT_TRUE(description == expected) << description.substr(0, 200);
    // Kinds with a '-' and vectors with diagnostics are malformed or non-canonical on purpose.
    if (f[1].find('-') == std::string::npos && f[4].empty()) {
      EXPECT_TRUE(reencoded == bytes);
    }
  }
  EXPECT_GE(vectors, 20) << TESSO_GOLDEN_VECTORS;
}

// A list of `size` bytes whose elements are headers `tag ff <n>`, each declaring one byte more
// than the rest of the message: a failed read leaves the position behind the header, so every
// header would make up the rest of the message again. With `budget`, nested lists instead,
// each declaring the rest of the message plus the budget, over a body of `true`s.
Bytes Amplifier(uint8_t tag, size_t size, size_t budget = 0) {
  Bytes bytes;
  auto header = [&](uint8_t header_tag, size_t count) {
    bytes.push_back(header_tag);
    bytes.push_back(0xff);
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<uint8_t>(count >> shift));
  };
  if (budget != 0) {
    for (int level = 0; level < 256; ++level) header(0x0c, size - bytes.size() - 6 + budget);
    bytes.resize(size, 0x01);
    return bytes;
  }
  header(0x0c, (size - 6) / 6);
  while (bytes.size() + 6 <= size) header(tag, size - bytes.size() - 6 + 1);
  return bytes;
}

// `levels` lists of one, around a `true`.
Bytes Nested(size_t levels) {
  Bytes deep;
  for (size_t i = 0; i < levels; ++i) deep.insert(deep.end(), {0x0c, 0x01});
  deep.push_back(0x01);
  return deep;
}

TEST(StandardCodecHostile, EveryMessageStaysWithinItsBudgetWithOneLinePerRefusal) {
  const std::string kDeepest = Repeat("list:[", 256) + "list:[]" + Repeat("]", 256);
  const std::string kNul = "\\x00";
  struct Case {
    const char* name;
    Bytes message;
    std::string errors;       // "*": any number of lines, up to the budget
    std::string description;  // "": not checked
  };
  const Case cases[] = {
      {"4G-element list", FromHex("0cffffffffff"), kInvalidRead, "list:[]"},
      {"4G-entry map", FromHex("0dffffffffff"), kInvalidRead, "map:{}"},
      {"4G-byte string", FromHex("07ffffffffff"), kInvalidRead, "str:\"\""},
      {"4G int64s", FromHex("0affffffff00000000"), kInvalidRead, "i64s:[]"},
      {"bytes 8 KiB past the end", FromHex("08fe0020"), kInvalidRead, "bytes:"},
      {"bytes 2 past the end", FromHex("0803ff"), kInvalidRead, "bytes:000000"},
      {"three strings of 3000 past the end", FromHex("0c0307feb80b07feb80b07feb80b"),
       kInvalidRead + kInvalidRead, "list:[str:\"" + Repeat(kNul, 3000) + "\",str:\"\",str:\"\"]"},
      {"map of past-end entries", FromHex("0dfe0010"), "*", ""},
      {"byte-list headers, 90 KB", Amplifier(0x08, 90000), "*", ""},
      {"string headers, 2 KB", Amplifier(0x07, 2000), "*", ""},
      {"int64-list headers, 20 KB", Amplifier(0x0a, 20000), "*", ""},
      {"256 nested counts, 16 KB", Amplifier(0x0c, 16 * 1024, kBudget), "*", ""},
      // Past the nesting limit the innermost list decodes empty, with one line.
      {"257 nested lists", Nested(257), kTooDeep, kDeepest},
      {"a million nested lists", Nested(1000000), kTooDeep, kDeepest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string errors;
    size_t made_up = 0;
    const size_t before = StandardCodecSerializer::MadeUpOnThisThread();
    EncodableValue value = Decode(c.message, &errors, &made_up);
    EXPECT_LE(made_up, kBudget);
    EXPECT_EQ(StandardCodecSerializer::MadeUpOnThisThread() - before, made_up);
    // Decoded, it is not much more than the message and what was made up.
    EXPECT_LE(Encode(value).size(), 2 * c.message.size() + kBudget);
    if (c.errors == "*") {
      EXPECT_NE(errors, "");
      EXPECT_LE(static_cast<size_t>(std::count(errors.begin(), errors.end(), '\n')), kBudget + 256);
    } else {
      EXPECT_EQ(errors, c.errors);
    }
    if (!c.description.empty()) {
      EXPECT_EQ(Describe(value), c.description);
    }
  }
}

TEST(StandardCodecHostile, OneBudgetPerMessageFromWhicheverEntryPoint) {
  // Called directly, ReadValueOfType has the budget too: "03 61" as a string is three NULs.
  Bytes short_string = FromHex("0361");
  flutter::ByteBufferStreamReader reader(short_string.data(), short_string.size());
  testing::internal::CaptureStderr();
  EncodableValue value = StandardCodecSerializer::GetInstance().ReadValueOfType(7, &reader);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(std::string(3, '\0')));
  EXPECT_EQ(reader.made_up(), 3u);

  // A call's name and arguments share one: 3000 made-up bytes of name leave too little for
  // 3000 more of arguments.
  testing::internal::CaptureStderr();
  auto call = StandardMethodCodec::GetInstance().DecodeMethodCall(FromHex("07feb80b07feb80b"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kInvalidRead + kInvalidRead);
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->method_name(), std::string(3000, '\0'));
  EXPECT_EQ(*call->arguments(), EncodableValue(std::string()));
}

TEST(StandardCodecEncode, CustomValuesWriteANullTagAndOneLine) {
  testing::internal::CaptureStderr();
  EncodableValue custom(flutter::CustomEncodableValue(std::make_shared<int>(4)));
  EXPECT_EQ(ToHex(Encode(EncodableValue(EncodableList{custom}))), "0c0100");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unhandled custom type in StandardCodecSerializer::WriteValue. "
            "Custom types require codec extensions.\n");
  // A long message with short details: the reserve must not underflow.
  EXPECT_EQ(
      StandardMethodCodec::GetInstance().EncodeErrorEnvelope("e", std::string(300, 'm'))->size(),
      309u);
}

TEST(EncodableValue, OrderedByAlternativeThenValueWithNanAsOneKey) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  using V = EncodableValue;
  const std::vector<EncodableValue> ascending = {V(),
                                                 V(false),
                                                 V(true),
                                                 V(int32_t{-5}),
                                                 V(int64_t{-100}),
                                                 V(-1e9),
                                                 V(nan),
                                                 V("z"),
                                                 V("\xc3\xa9"),  // unsigned byte order
                                                 V(std::vector<uint8_t>{}),
                                                 V(EncodableList{V(1)}),
                                                 V(EncodableList{V(1), V()}),
                                                 V(EncodableMap{{V("k"), V(1)}}),
                                                 V(std::vector<float>{1.0f})};
  for (size_t i = 0; i + 1 < ascending.size(); ++i) {
    SCOPED_TRACE(Describe(ascending[i]));
    EXPECT_TRUE(ascending[i] < ascending[i + 1] && !(ascending[i + 1] < ascending[i]));
  }
  EncodableMap map{{V(nan), V(1)}, {V(1.0), V(2)}};
  map[V(nan)] = V(3);
  EXPECT_EQ(Describe(V(map)), "map:{f64:3ff0000000000000=i32:2,f64:7ff8000000000000=i32:3}");
}

}  // namespace
