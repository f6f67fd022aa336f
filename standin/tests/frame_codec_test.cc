#include "standin/wire/frame_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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
  EXPECT_EQ(Encode(FrameKind::kResponse, 0x01020304, "a/b", std::string("\xFF\x00\x7F", 3)),
            Bytes({13, 0, 0, 0,             // length of the rest: 7 + 3 + 3
                   2,                       // RESPONSE
                   0x04, 0x03, 0x02, 0x01,  // id
                   3, 0, 'a', '/', 'b',     // name
                   0xFF, 0x00, 0x7F}));     // body
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
  const struct {
    Bytes payload;
    std::string frame;  // empty: refused
  } rows[] = {
      {Bytes(round_trip.begin() + 4, round_trip.end()), "1 16909060 tesso.test/host xyz"},
      {{1, 9, 0, 0, 0, 3, 0, 'a', 'b', 'c'}, "1 9 abc "},  // the name fills the rest
      {{1, 9, 0, 0, 0, 4, 0, 'a', 'b', 'c'}, ""},          // the name runs past the end
      {{1, 0, 0, 0, 0, 0}, ""},
      {{}, ""},
  };
  for (const auto& row : rows) {
    const auto frame =
        ParseFrame(row.payload.empty() ? nullptr : row.payload.data(), row.payload.size());
    EXPECT_EQ(frame ? Describe(*frame) : "", row.frame);
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
      {"byte by byte",
       Join({Encode(FrameKind::kCall, 1, "one", "body1"),
             Encode(FrameKind::kControl, 2, "frame", "{}")}),
       1,
       {"1 1 one body1", "6 2 frame {}", "end"}},
      {"too short",
       Join({Prefix(3), {0xAA, 0xBB, 0xCC}, after}),
       2,
       {"frame too short", "1 8 after ", "end"}},
      {"empty", Join({Prefix(0), after}), 64, {"frame too short", "1 8 after ", "end"}},
      {"name past its end",
       Join({Prefix(9), {1, 1, 0, 0, 0, 0xFF, 0xFF, 'a', 'b'}, after}),
       3,
       {"name runs past the end of the frame", "1 8 after ", "end"}},
      {"a megabyte",
       Encode(FrameKind::kResponse, 3, "big", big),
       4096,
       {"2 3 big 1048579 bytes, sum 70099662798856", "end"}},
      {"ends inside a frame", Join({Prefix(kMaxFrameLength), {1, 2, 3}}), 1024, {"end"}},
      {"ends inside the prefix", {7, 0}, 1024, {"end"}},
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

TEST(FrameCodecTest, SkipsAnOversizedFrameByDiscardingItsBytes) {
  const uint32_t length = kMaxFrameLength + 1;
  const Bytes prefix = Prefix(length);
  const Bytes good = Encode(FrameKind::kCall, 8, "after", "");
  // Prefix, `length` filler bytes, then a good frame; generated, not stored.
  uint64_t pos = 0;
  const uint64_t total = prefix.size() + uint64_t{length} + good.size();
  const ByteSource source = [&](uint8_t* buffer, size_t size) -> size_t {
    size_t n = 0;
    for (; n < size && pos < total; ++n, ++pos) {
      buffer[n] = pos < prefix.size()            ? prefix[pos]
                  : pos < prefix.size() + length ? 0x5A
                                                 : good[pos - prefix.size() - length];
    }
    return n;
  };
  const ReadResult skipped = ReadFrame(source);
  EXPECT_EQ(skipped.status, ReadStatus::kMalformed);
  EXPECT_EQ(skipped.error, "frame too long");
  const ReadResult next = ReadFrame(source);
  EXPECT_EQ(next.status == ReadStatus::kFrame ? Describe(next.frame) : "", "1 8 after ");
}

}  // namespace
}  // namespace tesso::standin
