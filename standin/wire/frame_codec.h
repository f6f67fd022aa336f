// Frames of the peer link between the stand-in engine and its driver.
//
//   u32 length of the rest | u8 kind | u32 id | u16 name length L | L bytes name | body
//
// All integers are little-endian. Portable: no platform headers.
#ifndef TESSO_STANDIN_WIRE_FRAME_CODEC_H_
#define TESSO_STANDIN_WIRE_FRAME_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesso::standin {

enum class FrameKind : uint8_t {
  kCall = 1,         // driver -> engine: a message from the user interface on a channel
  kResponse = 2,     // engine -> driver: the host's answer to a kCall
  kHostMessage = 3,  // engine -> driver: a message from the host (id 0 when no reply is wanted)
  kHostReply = 4,    // driver -> engine: the user interface's answer to a kHostMessage
  kEvent = 5,        // engine -> driver: something the engine saw, as a JSON object
  kControl = 6,      // driver -> engine: an operation on the engine, as a JSON object
};

struct Frame {
  uint8_t kind = 0;  // a FrameKind value, or anything a driver sent
  uint32_t id = 0;
  std::string name;
  std::vector<uint8_t> body;
};

// Bytes before the name: kind, id and name length.
inline constexpr uint32_t kFrameFixedSize = 1 + 4 + 2;
// Largest "length of the rest" accepted or produced; bigger frames are skipped or refused.
inline constexpr uint32_t kMaxFrameLength = 64u * 1024 * 1024;

// The whole frame, length prefix included. Null when the name is longer than 65535 bytes or
// the frame would exceed kMaxFrameLength.
std::optional<std::vector<uint8_t>> EncodeFrame(FrameKind kind, uint32_t id, std::string_view name,
                                                const uint8_t* body, size_t body_size);

// Parses the part after the length prefix. Null when it is shorter than the fixed fields or
// the name runs past its end.
std::optional<Frame> ParseFrame(const uint8_t* data, size_t size);

// Reads up to `size` bytes into `buffer`; returns how many were read, 0 at the end of the
// stream or on a read error.
using ByteSource = std::function<size_t(uint8_t* buffer, size_t size)>;

enum class ReadStatus {
  kFrame,      // `frame` holds the next frame
  kMalformed,  // a frame was skipped; `error` says why; the stream stays in step
  kEnd,        // the stream ended (possibly inside a frame)
};

struct ReadResult {
  ReadStatus status = ReadStatus::kEnd;
  Frame frame;
  std::string error;
};

// Reads one frame from a stream. A declared length below the fixed size or above
// kMaxFrameLength is skipped by reading and discarding that many bytes in small pieces; the
// buffer of an accepted frame grows with the bytes received, so a declared length alone never
// makes it allocate much.
ReadResult ReadFrame(const ByteSource& source);

}  // namespace tesso::standin

#endif  // TESSO_STANDIN_WIRE_FRAME_CODEC_H_
