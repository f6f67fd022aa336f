#ifndef TESSO_MESSAGING_STANDARD_CODEC_SERIALIZER_H_
#define TESSO_MESSAGING_STANDARD_CODEC_SERIALIZER_H_

#include <cstddef>
#include <cstdint>

#include "messaging/byte_streams.h"
#include "messaging/encodable_value.h"

namespace flutter {

// Reads and writes values in the standard message codec's wire form. Stateless; one shared
// instance serves the process, and subclasses may extend the set of types.
class StandardCodecSerializer {
 public:
  StandardCodecSerializer() = default;
  virtual ~StandardCodecSerializer() = default;

  StandardCodecSerializer(const StandardCodecSerializer&) = delete;
  StandardCodecSerializer& operator=(const StandardCodecSerializer&) = delete;

  // The shared instance, created on first use.
  static const StandardCodecSerializer& GetInstance();

  // Reads the tag byte, then the value of that type.
  EncodableValue ReadValue(ByteStreamReader* stream) const;

  virtual EncodableValue ReadValueOfType(uint8_t type, ByteStreamReader* stream) const;
  virtual void WriteValue(const EncodableValue& value, ByteStreamWriter* stream) const;

  size_t ReadSize(ByteStreamReader* stream) const;
  void WriteSize(size_t size, ByteStreamWriter* stream) const;

  // A container nested deeper than this decodes empty, with a diagnostic line naming the
  // limit, so that a hostile message cannot exhaust the stack; valid messages from the user
  // interface stay far below it.
  static constexpr int kMaxNesting = 256;
  // What one message may make up past its end, in all its values together: zero-filled bytes
  // of a string or typed list whose size runs past the end (all of its bytes, since such a
  // read copies nothing), and one per value of each container entry read past the end (null,
  // one diagnostic line each). A size that would take more decodes empty (the first such one
  // of a message with a diagnostic line), and a container stops there, so that no count, however
  // nested or repeated, makes a small message take much memory or flood the error stream.
  static constexpr size_t kMaxOverrun = 4096;

  // The bytes decodes on the calling thread have made up so far, for checks of that bound.
  static size_t MadeUpOnThisThread();
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_STANDARD_CODEC_SERIALIZER_H_
