#include "standin/wire/frame_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace tesso::standin {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Encode(FrameKind kind, uint32_t id, const std::string& name,
                            const std::string& body) {
  const auto frame =
      EncodeFrame(kind, id, name, reinterpret_cast<const uint8_t*>(body.data()), body.size());
  EXPECT_TRUE(frame.has_value());
  return frame.value_or(std::vector<uint8_t>{});
}

std::vector<uint8_t> LengthPrefix(uint32_t length) {
  return {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
          static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
}

// Hands out a fixed byte string at most `piece` bytes per read, like a pipe.
class ScriptedSource {
 public:
  ScriptedSource(std::vector<uint8_t> bytes, size_t piece)
      : bytes_(std::move(bytes)), piece_(piece) {}
  size_t Read(uint8_t* buffer, size_t size) {
    const size_t n = std::min({size, piece_, bytes_.size() - pos_});
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  ByteSource AsSource() {
    return [this](uint8_t* buffer, size_t size) { return Read(buffer, size); };
  }
  size_t consumed() const { return pos_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t piece_;
  size_t pos_ = 0;
};

TEST(FrameCodecTest, EncodesLittleEndianLayout) {
  const std::vector<uint8_t> expected = {13,   0,    0,    0,     // length of the rest: 7 + 3 + 3
                                         2,                       // RESPONSE
                                         0x04, 0x03, 0x02, 0x01,  // id
                                         3,    0,                 // name length
                                         'a',  '/',  'b',         // name
                                         0xFF, 0x00, 0x7F};       // body
  const std::string body("\xFF\x00\x7F", 3);
  EXPECT_EQ(Encode(FrameKind::kResponse, 0x01020304, "a/b", body), expected);
}

TEST(FrameCodecTest, EncodesEmptyNameAndBody) {
  const std::vector<uint8_t> expected = {7, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Encode(FrameKind::kEvent, 0, "", ""), expected);
}

TEST(FrameCodecTest, RefusesNameLongerThanSixteenBits) {
  const std::string name(65536, 'n');
  EXPECT_FALSE(EncodeFrame(FrameKind::kEvent, 0, name, nullptr, 0).has_value());
  EXPECT_TRUE(EncodeFrame(FrameKind::kEvent, 0, name.substr(1), nullptr, 0).has_value());
}

TEST(FrameCodecTest, RefusesBodyBeyondTheMaximumWithoutReadingIt) {
  const uint8_t one = 0;
  EXPECT_FALSE(EncodeFrame(FrameKind::kResponse, 1, "c", &one, kMaxFrameLength - kFrameFixedSize)
                   .has_value());
}

TEST(FrameCodecTest, ParseRoundTrips) {
  const std::vector<uint8_t> bytes = Encode(FrameKind::kCall, 77, "tesso.test/host", "xyz");
  const auto frame = ParseFrame(bytes.data() + 4, bytes.size() - 4);
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->kind, 1);
  EXPECT_EQ(frame->id, 77u);
  EXPECT_EQ(frame->name, "tesso.test/host");
  EXPECT_EQ(frame->body, Bytes("xyz"));
}

TEST(FrameCodecTest, ParseRejectsShortFrames) {
  const std::vector<uint8_t> six = {1, 0, 0, 0, 0, 0};
  EXPECT_FALSE(ParseFrame(six.data(), six.size()).has_value());
  EXPECT_FALSE(ParseFrame(nullptr, 0).has_value());
}

TEST(FrameCodecTest, ParseRejectsNamePastTheEnd) {
  // Name length 4, but only 3 bytes follow.
  const std::vector<uint8_t> payload = {1, 9, 0, 0, 0, 4, 0, 'a', 'b', 'c'};
  EXPECT_FALSE(ParseFrame(payload.data(), payload.size()).has_value());
  // Name length exactly what is left: valid, empty body.
  const std::vector<uint8_t> exact = {1, 9, 0, 0, 0, 3, 0, 'a', 'b', 'c'};
  const auto frame = ParseFrame(exact.data(), exact.size());
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->name, "abc");
  EXPECT_TRUE(frame->body.empty());
}

TEST(FrameCodecTest, ReadsFramesArrivingByteByByte) {
  std::vector<uint8_t> stream = Encode(FrameKind::kCall, 1, "one", "body1");
  const std::vector<uint8_t> second = Encode(FrameKind::kControl, 2, "frame", "{}");
  stream.insert(stream.end(), second.begin(), second.end());
  ScriptedSource source(stream, 1);

  ReadResult first = ReadFrame(source.AsSource());
  ASSERT_EQ(first.status, ReadStatus::kFrame);
  EXPECT_EQ(first.frame.name, "one");
  EXPECT_EQ(first.frame.body, Bytes("body1"));
  ReadResult next = ReadFrame(source.AsSource());
  ASSERT_EQ(next.status, ReadStatus::kFrame);
  EXPECT_EQ(next.frame.kind, 6);
  EXPECT_EQ(next.frame.id, 2u);
  EXPECT_EQ(ReadFrame(source.AsSource()).status, ReadStatus::kEnd);
}

TEST(FrameCodecTest, SkipsTooShortFrameAndStaysInStep) {
  std::vector<uint8_t> stream = LengthPrefix(3);
  stream.insert(stream.end(), {0xAA, 0xBB, 0xCC});
  const std::vector<uint8_t> good = Encode(FrameKind::kHostReply, 5, "c", "r");
  stream.insert(stream.end(), good.begin(), good.end());
  ScriptedSource source(stream, 2);

  const ReadResult skipped = ReadFrame(source.AsSource());
  EXPECT_EQ(skipped.status, ReadStatus::kMalformed);
  EXPECT_EQ(skipped.error, "frame too short");
  const ReadResult next = ReadFrame(source.AsSource());
  ASSERT_EQ(next.status, ReadStatus::kFrame);
  EXPECT_EQ(next.frame.id, 5u);
  EXPECT_EQ(next.frame.body, Bytes("r"));
}

TEST(FrameCodecTest, SkipsZeroLengthFrame) {
  std::vector<uint8_t> stream = LengthPrefix(0);
  const std::vector<uint8_t> good = Encode(FrameKind::kCall, 6, "c", "");
  stream.insert(stream.end(), good.begin(), good.end());
  ScriptedSource source(stream, 64);
  EXPECT_EQ(ReadFrame(source.AsSource()).status, ReadStatus::kMalformed);
  const ReadResult next = ReadFrame(source.AsSource());
  ASSERT_EQ(next.status, ReadStatus::kFrame);
  EXPECT_EQ(next.frame.id, 6u);
}

TEST(FrameCodecTest, SkipsOversizedFrameByDiscardingItsBytes) {
  const uint32_t length = kMaxFrameLength + 1;
  const std::vector<uint8_t> prefix = LengthPrefix(length);
  const std::vector<uint8_t> good = Encode(FrameKind::kCall, 8, "after", "");
  // Prefix, `length` filler bytes, then a good frame; generated, not stored.
  uint64_t pos = 0;
  const uint64_t total = prefix.size() + uint64_t{length} + good.size();
  const ByteSource source = [&](uint8_t* buffer, size_t size) -> size_t {
    size_t n = 0;
    while (n < size && pos < total) {
      if (pos < prefix.size()) {
        buffer[n] = prefix[pos];
      } else if (pos < prefix.size() + length) {
        buffer[n] = 0x5A;
      } else {
        buffer[n] = good[pos - prefix.size() - length];
      }
      ++n;
      ++pos;
    }
    return n;
  };
  const ReadResult skipped = ReadFrame(source);
  EXPECT_EQ(skipped.status, ReadStatus::kMalformed);
  EXPECT_EQ(skipped.error, "frame too long");
  const ReadResult next = ReadFrame(source);
  ASSERT_EQ(next.status, ReadStatus::kFrame);
  EXPECT_EQ(next.frame.name, "after");
}

TEST(FrameCodecTest, SkipsFrameWhoseNameRunsPastItsEnd) {
  std::vector<uint8_t> stream = LengthPrefix(9);
  stream.insert(stream.end(), {1, 1, 0, 0, 0, 0xFF, 0xFF, 'a', 'b'});
  const std::vector<uint8_t> good = Encode(FrameKind::kCall, 9, "ok", "");
  stream.insert(stream.end(), good.begin(), good.end());
  ScriptedSource source(stream, 3);
  const ReadResult bad = ReadFrame(source.AsSource());
  EXPECT_EQ(bad.status, ReadStatus::kMalformed);
  const ReadResult next = ReadFrame(source.AsSource());
  ASSERT_EQ(next.status, ReadStatus::kFrame);
  EXPECT_EQ(next.frame.name, "ok");
}

TEST(FrameCodecTest, EndsInsideAFrameWithoutReadingFurther) {
  std::vector<uint8_t> stream = LengthPrefix(kMaxFrameLength);
  stream.insert(stream.end(), {1, 2, 3});
  ScriptedSource source(stream, 1024);
  EXPECT_EQ(ReadFrame(source.AsSource()).status, ReadStatus::kEnd);
  EXPECT_EQ(source.consumed(), stream.size());

  ScriptedSource half_prefix({7, 0}, 1024);
  EXPECT_EQ(ReadFrame(half_prefix.AsSource()).status, ReadStatus::kEnd);
}

TEST(FrameCodecTest, CarriesBodyOfAMegabyte) {
  std::string body(1024 * 1024 + 3, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i & 0xFF);
  ScriptedSource source(Encode(FrameKind::kResponse, 3, "big", body), 4096);
  const ReadResult result = ReadFrame(source.AsSource());
  ASSERT_EQ(result.status, ReadStatus::kFrame);
  EXPECT_EQ(result.frame.body, Bytes(body));
}

}  // namespace
}  // namespace tesso::standin
