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

  // Containers nested deeper than this decode as null, so that a hostile message cannot
  // exhaust the stack.
  static constexpr int kMaxNesting = 256;
  // One decode may make up this many bytes (zero-filled data) or elements (nulls, one
  // diagnostic line each) past the end of its message, in all its values together; a count
  // beyond that is reported once and decodes empty, and a container stops there, so that a
  // hostile message cannot exhaust memory or flood the error stream.
  static constexpr size_t kMaxOverrun = 4096;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_STANDARD_CODEC_SERIALIZER_H_
