#ifndef TESSO_MESSAGING_BYTE_BUFFER_STREAM_READER_H_
#define TESSO_MESSAGING_BYTE_BUFFER_STREAM_READER_H_

#include "messaging/byte_streams.h"

namespace flutter {

// Reads a borrowed message; the bytes must outlive the reader.
class ByteBufferStreamReader : public ByteStreamReader {
 public:
  ByteBufferStreamReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  uint8_t ReadByte() override;
  void ReadBytes(uint8_t* buffer, size_t length) override;
  void ReadAlignment(uint8_t alignment) override;
  const uint8_t* ReadInPlace(size_t length) override;
  size_t Remaining() const override { return position_ < size_ ? size_ - position_ : 0; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_BYTE_BUFFER_STREAM_READER_H_
