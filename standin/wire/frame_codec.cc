#include "standin/wire/frame_codec.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tesso::standin {
namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetU32(const uint8_t* data) {
  return static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
         static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
}

// True when exactly `size` bytes were read.
bool ReadExactly(const ByteSource& source, uint8_t* buffer, size_t size) {
  while (size > 0) {
    const size_t got = source(buffer, size);
    if (got == 0 || got > size) return false;
    buffer += got;
    size -= got;
  }
  return true;
}

bool Discard(const ByteSource& source, uint32_t size) {
  std::array<uint8_t, 64 * 1024> scratch;
  while (size > 0) {
    const size_t piece = std::min<size_t>(size, scratch.size());
    if (!ReadExactly(source, scratch.data(), piece)) return false;
    size -= static_cast<uint32_t>(piece);
  }
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeFrame(FrameKind kind, uint32_t id, std::string_view name,
                                                const uint8_t* body, size_t body_size) {
  if (name.size() > std::numeric_limits<uint16_t>::max()) return std::nullopt;
  const uint64_t rest = uint64_t{kFrameFixedSize} + name.size() + body_size;
  if (rest > kMaxFrameLength) return std::nullopt;
  std::vector<uint8_t> out;
  out.reserve(static_cast<size_t>(rest) + 4);
  PutU32(out, static_cast<uint32_t>(rest));
  out.push_back(static_cast<uint8_t>(kind));
  PutU32(out, id);
  out.push_back(static_cast<uint8_t>(name.size()));
  out.push_back(static_cast<uint8_t>(name.size() >> 8));
  out.insert(out.end(), name.begin(), name.end());
  if (body_size > 0) out.insert(out.end(), body, body + body_size);
  return out;
}

std::optional<Frame> ParseFrame(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kFrameFixedSize) return std::nullopt;
  const size_t name_size = static_cast<size_t>(data[5]) | static_cast<size_t>(data[6]) << 8;
  if (name_size > size - kFrameFixedSize) return std::nullopt;
  Frame frame;
  frame.kind = data[0];
  frame.id = GetU32(data + 1);
  const uint8_t* name = data + kFrameFixedSize;
  frame.name.assign(reinterpret_cast<const char*>(name), name_size);
  frame.body.assign(name + name_size, data + size);
  return frame;
}

ReadResult ReadFrame(const ByteSource& source) {
  ReadResult result;
  std::array<uint8_t, 4> prefix;
  if (!ReadExactly(source, prefix.data(), prefix.size())) return result;
  const uint32_t length = GetU32(prefix.data());
  if (length < kFrameFixedSize || length > kMaxFrameLength) {
    if (!Discard(source, length)) return result;
    result.status = ReadStatus::kMalformed;
    result.error = length < kFrameFixedSize ? "frame too short" : "frame too long";
    return result;
  }
  // Grow with what arrives rather than trusting the declared length up front.
  constexpr size_t kPiece = 1024 * 1024;
  std::vector<uint8_t> payload;
  while (payload.size() < length) {
    const size_t offset = payload.size();
    payload.resize(offset + std::min<size_t>(kPiece, length - offset));
    if (!ReadExactly(source, payload.data() + offset, payload.size() - offset)) return result;
  }
  std::optional<Frame> frame = ParseFrame(payload.data(), payload.size());
  if (!frame) {
    result.status = ReadStatus::kMalformed;
    result.error = "name runs past the end of the frame";
    return result;
  }
  result.status = ReadStatus::kFrame;
  result.frame = std::move(*frame);
  return result;
}

}  // namespace tesso::standin
