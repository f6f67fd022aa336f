#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "messaging/byte_buffer_stream_reader.h"
#include "messaging/byte_buffer_stream_writer.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_codec_serializer.h"
#include "messaging/standard_method_codec.h"
#include "tests/unit/value_description.h"

namespace {

using flutter::ByteBufferStreamReader;
using flutter::ByteBufferStreamWriter;
using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::MethodCall;
using flutter::MethodResultFunctions;
using flutter::StandardCodecSerializer;
using flutter::StandardMethodCodec;
using tesso_test::Describe;
using tesso_test::FromHex;
using tesso_test::ToHex;
using Bytes = std::vector<uint8_t>;

const char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader\n";
const char kTooDeep[] =
    "Nesting limit of 256 exceeded in StandardCodecSerializer::ReadValueOfType\n";

Bytes Encode(const EncodableValue& value) {
  Bytes bytes;
  ByteBufferStreamWriter writer(&bytes);
  StandardCodecSerializer::GetInstance().WriteValue(value, &writer);
  return bytes;
}

EncodableValue Decode(const Bytes& bytes) {
  ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return StandardCodecSerializer::GetInstance().ReadValue(&reader);
}

// Decodes `bytes` and returns what was written to the standard error stream meanwhile.
std::string DecodeCapturingErrors(const Bytes& bytes, EncodableValue* value) {
  testing::internal::CaptureStderr();
  *value = Decode(bytes);
  return testing::internal::GetCapturedStderr();
}

std::string RepeatLine(const std::string& line, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += line;
  return out;
}

TEST(StandardCodecSizes, SizesSwitchFormAt254And65536) {
  auto prefix = [](size_t count) {
    Bytes bytes = Encode(EncodableValue(Bytes(count, 0xAB)));
    return ToHex(Bytes(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 6)));
  };
  EXPECT_EQ(prefix(253).substr(0, 4), "08fd");
  EXPECT_EQ(prefix(254).substr(0, 8), "08fefe00");
  EXPECT_EQ(prefix(65535).substr(0, 8), "08feffff");
  EXPECT_EQ(prefix(65536), "08ff00000100");
  for (size_t count : {0u, 253u, 254u, 65535u, 65536u, 70000u}) {
    Bytes payload(count);
    for (size_t i = 0; i < count; ++i) payload[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(Decode(Encode(EncodableValue(payload))), EncodableValue(payload)) << count;
  }
}

TEST(StandardCodecScalars, ExactBytesOfSmallValues) {
  EXPECT_EQ(ToHex(Encode(EncodableValue("abc"))), "0703616263");
  EXPECT_EQ(ToHex(Encode(EncodableValue(std::string()))), "0700");
  EXPECT_EQ(ToHex(Encode(EncodableValue())), "00");
  EXPECT_EQ(ToHex(Encode(EncodableValue(true))), "01");
  EXPECT_EQ(ToHex(Encode(EncodableValue(false))), "02");
  EXPECT_EQ(ToHex(Encode(EncodableValue(int32_t{-2}))), "03feffffff");
  EXPECT_EQ(ToHex(Encode(EncodableValue(int64_t{1} << 40))), "040000000000010000");
  // A double first in a message: the padding counts from the tag at offset 0.
  EXPECT_EQ(ToHex(Encode(EncodableValue(1.5))), "0600000000000000000000000000f83f");
}

TEST(StandardCodecPadding, MeasuredFromTheMessageStartNotFromTheValue) {
  // Each payload is padded to its element size from offset 0 of the whole buffer:
  //   offset: 0  1  2  3  4 ...
  //           0c 02 03 [i32 x4] 09 01 [pad to 12] [i32]  -> the int32 list's data at 12
  EncodableValue value(
      EncodableList{EncodableValue(int32_t{7}), EncodableValue(std::vector<int32_t>{9})});
  EXPECT_EQ(ToHex(Encode(value)), "0c020307000000090100000009000000");
  EXPECT_EQ(Decode(Encode(value)), value);
  // An empty typed list still carries its padding.
  EXPECT_EQ(ToHex(Encode(EncodableValue(std::vector<int32_t>{}))), "09000000");
  EXPECT_EQ(ToHex(Encode(EncodableValue(std::vector<double>{}))), "0b00000000000000");
  EXPECT_EQ(ToHex(Encode(EncodableValue(std::vector<float>{1.0f}))), "0e0100000000803f");
}

TEST(StandardCodecMaps, KeysAreWrittenInValueOrderAndTheFirstRepeatWins) {
  EncodableMap map;
  map[EncodableValue("b")] = EncodableValue(int32_t{2});
  map[EncodableValue("a")] = EncodableValue(int32_t{1});
  EXPECT_EQ(ToHex(Encode(EncodableValue(map))), "0d0207016103010000000701620302000000");
  // Keys of different alternatives order by alternative: int32 before string.
  EncodableMap mixed{{EncodableValue("x"), EncodableValue()},
                     {EncodableValue(int32_t{9}), EncodableValue()}};
  EXPECT_EQ(Describe(EncodableValue(mixed)), "map:{i32:9=null,str:\"x\"=null}");

  EncodableValue decoded;
  std::string errors =
      DecodeCapturingErrors(FromHex("0d0207016103010000000701610302000000"), &decoded);
  EXPECT_EQ(errors, "");
  EXPECT_EQ(Describe(decoded), "map:{str:\"a\"=i32:1}");
}

TEST(StandardCodecRoundTrip, EveryAlternativeSurvives) {
  EncodableMap inner{{EncodableValue("k"), EncodableValue(EncodableList{EncodableValue()})}};
  EncodableMap nested{{EncodableValue(int64_t{-1}), EncodableValue(inner)},
                      {EncodableValue(std::vector<uint8_t>{1, 2}), EncodableValue(2.5)}};
  std::vector<EncodableValue> values = {
      EncodableValue(),
      EncodableValue(true),
      EncodableValue(false),
      EncodableValue(int32_t{INT32_MIN}),
      EncodableValue(int64_t{INT64_MIN}),
      EncodableValue(-0.0),
      EncodableValue(std::string("\xc3\xa9\0z", 4)),
      EncodableValue(std::vector<uint8_t>{}),
      EncodableValue(std::vector<int32_t>{1, -1, INT32_MAX}),
      EncodableValue(std::vector<int64_t>{INT64_MAX, 0}),
      EncodableValue(std::vector<double>{1e300, -1e-300}),
      EncodableValue(std::vector<float>{0.5f, -2.0f, 3.0f}),
      EncodableValue(EncodableList{}),
      EncodableValue(EncodableMap{}),
      EncodableValue(nested),
      EncodableValue(EncodableList(70000, EncodableValue(int32_t{3}))),
      EncodableValue(std::vector<int64_t>(65536, 5)),
      EncodableValue(std::vector<double>(65537, 0.25)),
  };
  for (const EncodableValue& value : values) {
    // Behind a one-byte prefix as well, so that padding is exercised at another offset.
    EncodableValue wrapped(EncodableList{EncodableValue(true), value});
    EXPECT_EQ(Decode(Encode(value)), value) << Describe(value).substr(0, 80);
    EXPECT_EQ(Decode(Encode(wrapped)), wrapped) << Describe(value).substr(0, 80);
  }
}

TEST(StandardCodecCustom, WritesANullTagAndTheTwoPartMessageOnce) {
  EncodableValue custom(CustomEncodableValue(std::make_shared<int>(4)));
  testing::internal::CaptureStderr();
  Bytes bytes = Encode(EncodableValue(EncodableList{custom}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unhandled custom type in StandardCodecSerializer::WriteValue. "
            "Custom types require codec extensions.\n");
  EXPECT_EQ(ToHex(bytes), "0c0100");
}

TEST(StandardCodecMalformed, UnknownTagsAndShortReadsAreReportedAndDecodingGoesOn) {
  EncodableValue value;
  EXPECT_EQ(DecodeCapturingErrors(FromHex("0f"), &value),
            "Unknown type in StandardCodecSerializer::ReadValueOfType: 15\n");
  EXPECT_TRUE(value.IsNull());

  EXPECT_EQ(DecodeCapturingErrors(FromHex("ff"), &value),
            "Unknown type in StandardCodecSerializer::ReadValueOfType: 255\n");

  // A string declared five bytes long with two present: five NULs, one report.
  EXPECT_EQ(DecodeCapturingErrors(FromHex("07056162"), &value), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(std::string(5, '\0')));

  // A truncated int32 reads as 0.
  EXPECT_EQ(DecodeCapturingErrors(FromHex("030102"), &value), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(int32_t{0}));

  // An empty message reads a 0 tag: null.
  EXPECT_EQ(DecodeCapturingErrors(Bytes(), &value), kInvalidRead);
  EXPECT_TRUE(value.IsNull());

  // A list of three with one element present: the missing two are nulls, each reported.
  EXPECT_EQ(DecodeCapturingErrors(FromHex("0c0301"), &value), RepeatLine(kInvalidRead, 2));
  EXPECT_EQ(Describe(value), "list:[true,null,null]");

  // Tag 5 carries text exactly like a string.
  EXPECT_EQ(DecodeCapturingErrors(FromHex("05023132"), &value), "");
  EXPECT_EQ(value, EncodableValue("12"));
}

TEST(StandardCodecMalformed, HostileCountsAndNestingStayBounded) {
  EncodableValue value;
  // Four-billion-element containers in a few bytes: one report each, nothing allocated.
  for (const char* hex :
       {"0cffffffffff", "0dffffffffff", "07ffffffffff", "0affffffff00000000", "08fe0020"}) {
    std::string errors = DecodeCapturingErrors(FromHex(hex), &value);
    EXPECT_EQ(errors, kInvalidRead) << hex;
  }
  // A byte list 8192 bytes past the end is refused too; a small overrun decodes zero-filled.
  EXPECT_EQ(DecodeCapturingErrors(FromHex("08fe0020"), &value), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(Bytes()));
  EXPECT_EQ(DecodeCapturingErrors(FromHex("0803ff"), &value), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(Bytes(3, 0)));

  // Three strings, each declared 3000 bytes long with (almost) nothing behind it: the first
  // is made up of zeros, which spends most of what one decode may make up past the end; the
  // others are refused, only the first of them with a line. A failed read leaves the position, so
  // each next tag follows the size.
  //   0c 03 | 07 fe b80b | 07 fe b80b | 07 fe b80b
  EXPECT_EQ(DecodeCapturingErrors(FromHex("0c0307feb80b07feb80b07feb80b"), &value),
            RepeatLine(kInvalidRead, 2));
  ASSERT_TRUE(std::holds_alternative<EncodableList>(value));
  const auto& strings = std::get<EncodableList>(value);
  ASSERT_EQ(strings.size(), 3u);
  EXPECT_EQ(strings[0], EncodableValue(std::string(3000, '\0')));
  EXPECT_EQ(strings[1], EncodableValue(std::string()));
  EXPECT_EQ(strings[2], EncodableValue(std::string()));

  // 256 nested lists, each declaring as many elements as the rest of a 16 KiB message plus
  // the allowance, over a body of `true`s: all levels together make up at most the
  // allowance of elements past the end, each with its one line.
  Bytes nested;
  const size_t kMessage = 16 * 1024;
  for (int level = 0; level < 256; ++level) {
    nested.push_back(0x0c);
    nested.push_back(0xff);
    const uint32_t count =
        static_cast<uint32_t>(kMessage - nested.size() - 4 + StandardCodecSerializer::kMaxOverrun);
    for (int shift = 0; shift < 32; shift += 8)
      nested.push_back(static_cast<uint8_t>(count >> shift));
  }
  nested.resize(kMessage, 0x01);
  std::string nested_errors = DecodeCapturingErrors(nested, &value);
  size_t lines = 0;
  for (char c : nested_errors) lines += c == '\n';
  EXPECT_GE(lines, 1u);
  EXPECT_LE(lines, StandardCodecSerializer::kMaxOverrun + 256);

  // A million nested one-element lists must not exhaust the stack.
  Bytes deep;
  for (int i = 0; i < 1000000; ++i) {
    deep.push_back(0x0c);
    deep.push_back(0x01);
  }
  deep.push_back(0x00);
  std::string errors = DecodeCapturingErrors(deep, &value);
  EXPECT_EQ(errors, kTooDeep);
  int depth = 0;
  for (const EncodableValue* v = &value; std::holds_alternative<EncodableList>(*v);) {
    const auto& list = std::get<EncodableList>(*v);
    ++depth;
    if (list.empty()) break;
    v = &list[0];
  }
  // kMaxNesting lists that decoded, the innermost of them holding the one refused (empty).
  EXPECT_EQ(depth, StandardCodecSerializer::kMaxNesting + 1);
}

// Bytes of every string and typed list and every element a decoded value holds.
size_t Weight(const EncodableValue& value) {
  return std::visit(
      [](const auto& v) -> size_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v.size();
        } else if constexpr (std::is_same_v<T, EncodableList>) {
          size_t sum = v.size();
          for (const auto& e : v) sum += Weight(e);
          return sum;
        } else if constexpr (std::is_same_v<T, EncodableMap>) {
          size_t sum = 2 * v.size();
          for (const auto& [key, e] : v) sum += Weight(key) + Weight(e);
          return sum;
        } else if constexpr (std::is_same_v<T, std::vector<uint8_t>> ||
                             std::is_same_v<T, std::vector<int32_t>> ||
                             std::is_same_v<T, std::vector<int64_t>> ||
                             std::is_same_v<T, std::vector<double>> ||
                             std::is_same_v<T, std::vector<float>>) {
          return v.size() * sizeof(typename T::value_type);
        } else {
          return 0;
        }
      },
      static_cast<const flutter::EncodableVariant&>(value));
}

void AppendU32(Bytes* bytes, uint32_t number) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes->push_back(static_cast<uint8_t>(number >> shift));
}

// A list of `size` bytes whose elements are headers `tag ff <n>`, each declaring one byte more
// than the rest of the message: a failed read leaves the position behind the header, so every
// header would make up the rest of the message again.
Bytes Amplifier(uint8_t tag, size_t size) {
  Bytes bytes{0x0c, 0xff};
  AppendU32(&bytes, static_cast<uint32_t>((size - 6) / 6));
  while (bytes.size() + 6 <= size) {
    bytes.push_back(tag);
    bytes.push_back(0xff);
    AppendU32(&bytes, static_cast<uint32_t>(size - bytes.size() - 4 + 1));
  }
  return bytes;
}

// Containers nested `levels` deep, each declaring the rest of the message plus the budget as
// its count, over a body of `true`s.
Bytes NestedCounts(int levels, size_t size) {
  Bytes bytes;
  for (int level = 0; level < levels; ++level) {
    bytes.push_back(0x0c);
    bytes.push_back(0xff);
    AppendU32(&bytes, static_cast<uint32_t>(size - bytes.size() - 4 +
                                            StandardCodecSerializer::kMaxOverrun));
  }
  bytes.resize(size, 0x01);
  return bytes;
}

TEST(StandardCodecBudget, NoMessageMakesUpMoreThanItsBudgetHoweverCountsNestOrRepeat) {
  const size_t kBudget = StandardCodecSerializer::kMaxOverrun;
  struct Case {
    const char* name;
    Bytes message;
  };
  const Case cases[] = {
      {"byte-list headers, 90 KB", Amplifier(0x08, 90000)},
      {"string headers, 2 KB", Amplifier(0x07, 2000)},
      {"int64-list headers, 20 KB", Amplifier(0x0a, 20000)},
      {"256 nested counts, 16 KB", NestedCounts(256, 16 * 1024)},
      {"map of past-end entries", FromHex("0dfe0010")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ByteBufferStreamReader reader(c.message.data(), c.message.size());
    const size_t before = StandardCodecSerializer::MadeUpOnThisThread();
    testing::internal::CaptureStderr();
    EncodableValue value = StandardCodecSerializer::GetInstance().ReadValue(&reader);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_LE(reader.made_up(), kBudget);
    EXPECT_EQ(StandardCodecSerializer::MadeUpOnThisThread() - before, reader.made_up());
    EXPECT_LE(Weight(value), c.message.size() + kBudget);
    EXPECT_LE(static_cast<size_t>(std::count(errors.begin(), errors.end(), '\n')),
              c.message.size() + kBudget);
  }
}

TEST(StandardCodecBudget, OneBudgetPerMessageFromWhicheverEntryPoint) {
  // A size past the end is made up whole; called directly, ReadValueOfType has the budget
  // too. 03 61 as a string: three NULs.
  Bytes short_string = FromHex("0361");
  ByteBufferStreamReader reader(short_string.data(), short_string.size());
  testing::internal::CaptureStderr();
  EncodableValue value = StandardCodecSerializer::GetInstance().ReadValueOfType(7, &reader);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kInvalidRead);
  EXPECT_EQ(value, EncodableValue(std::string(3, '\0')));
  EXPECT_EQ(reader.made_up(), 3u);

  // A method call's name and arguments share one budget: 3000 made-up bytes of name leave
  // too little for 3000 more of arguments, which decode empty.
  testing::internal::CaptureStderr();
  auto call = StandardMethodCodec::GetInstance().DecodeMethodCall(FromHex("07feb80b07feb80b"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), RepeatLine(kInvalidRead, 2));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->method_name(), std::string(3000, '\0'));
  EXPECT_EQ(*call->arguments(), EncodableValue(std::string()));

  // Nested one past the limit: the innermost container decodes empty, said as such.
  Bytes deep;
  for (int i = 0; i < StandardCodecSerializer::kMaxNesting + 1; ++i) {
    deep.push_back(0x0c);
    deep.push_back(0x01);
  }
  deep.push_back(0x01);
  EXPECT_EQ(DecodeCapturingErrors(deep, &value), kTooDeep);
  EXPECT_EQ(Weight(value), static_cast<size_t>(StandardCodecSerializer::kMaxNesting));
}

TEST(StandardMethodCodec, CallsAndEnvelopesHaveTheirExactBytes) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  EncodableValue five(int32_t{5});
  EXPECT_EQ(ToHex(*codec.EncodeSuccessEnvelope(&five)), "000305000000");
  EXPECT_EQ(ToHex(*codec.EncodeSuccessEnvelope()), "0000");
  EXPECT_EQ(ToHex(*codec.EncodeErrorEnvelope("e", "")), "010701650000");
  EncodableValue details("d");
  EXPECT_EQ(ToHex(*codec.EncodeErrorEnvelope("e", "m", &details)), "0107016507016d070164");

  MethodCall<EncodableValue> with_args("go", std::make_unique<EncodableValue>(true));
  EXPECT_EQ(ToHex(*codec.EncodeMethodCall(with_args)), "0702676f01");
  MethodCall<EncodableValue> without_args("go", nullptr);
  EXPECT_EQ(ToHex(*codec.EncodeMethodCall(without_args)), "0702676f00");
}

TEST(StandardMethodCodec, DecodesCallsAndRefusesNonStringNames) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  auto call = codec.DecodeMethodCall(FromHex("0702676f0d010701610301000000"));
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->method_name(), "go");
  EXPECT_EQ(Describe(*call->arguments()), "map:{str:\"a\"=i32:1}");

  testing::internal::CaptureStderr();
  call = codec.DecodeMethodCall(FromHex("0702676f"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kInvalidRead);
  ASSERT_NE(call, nullptr);
  EXPECT_TRUE(call->arguments()->IsNull());

  testing::internal::CaptureStderr();
  call = codec.DecodeMethodCall(FromHex("0301000000"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid method call; method name is not a string.\n");
  EXPECT_EQ(call, nullptr);
}

// Records which answer a response envelope produced.
struct Outcome {
  std::string kind = "none";
  std::string code, message;
  std::string value = "absent";
};

std::unique_ptr<MethodResultFunctions<EncodableValue>> Recorder(Outcome* outcome) {
  return std::make_unique<MethodResultFunctions<EncodableValue>>(
      [outcome](const EncodableValue* v) {
        outcome->kind = "success";
        outcome->value = v ? Describe(*v) : "absent";
      },
      [outcome](const std::string& code, const std::string& message, const EncodableValue* d) {
        outcome->kind = "error";
        outcome->code = code;
        outcome->message = message;
        outcome->value = d ? Describe(*d) : "absent";
      },
      [outcome] { outcome->kind = "not_implemented"; });
}

TEST(StandardMethodCodec, ResponseEnvelopesReachTheResultOrAreRefused) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  auto decode = [&](const std::string& hex, Outcome* outcome) {
    Bytes bytes = FromHex(hex);
    auto result = Recorder(outcome);
    return codec.DecodeAndProcessResponseEnvelope(bytes.data(), bytes.size(), result.get());
  };
  Outcome o;
  EXPECT_TRUE(decode("000305000000", &o));
  EXPECT_EQ(o.kind, "success");
  EXPECT_EQ(o.value, "i32:5");

  o = Outcome();
  EXPECT_TRUE(decode("0000", &o));
  EXPECT_EQ(o.value, "absent");  // a null result is no value

  o = Outcome();
  EXPECT_TRUE(decode("0107016500070164", &o));
  EXPECT_EQ(o.kind, "error");
  EXPECT_EQ(o.code, "e");
  EXPECT_EQ(o.message, "");
  EXPECT_EQ(o.value, "str:\"d\"");

  o = Outcome();
  EXPECT_TRUE(decode("0107016507016d00", &o));
  EXPECT_EQ(o.message, "m");
  EXPECT_EQ(o.value, "absent");

  // Refused: a code that is not a string, a message that is neither null nor a string, an
  // envelope byte other than 0 or 1. None of them reaches the result.
  for (const char* hex : {"0103010000000000", "01070165030100000000", "02", "07"}) {
    o = Outcome();
    EXPECT_FALSE(decode(hex, &o)) << hex;
    EXPECT_EQ(o.kind, "none") << hex;
  }
}

TEST(StandardMethodCodec, OneCodecPerSerializerForTheWholeProcess) {
  const StandardMethodCodec& shared = StandardMethodCodec::GetInstance();
  EXPECT_EQ(&shared, &StandardMethodCodec::GetInstance(nullptr));
  EXPECT_EQ(&shared, &StandardMethodCodec::GetInstance(&StandardCodecSerializer::GetInstance()));
  StandardCodecSerializer other;
  const StandardMethodCodec& own = StandardMethodCodec::GetInstance(&other);
  EXPECT_NE(&own, &shared);
  EXPECT_EQ(&own, &StandardMethodCodec::GetInstance(&other));
}

}  // namespace
