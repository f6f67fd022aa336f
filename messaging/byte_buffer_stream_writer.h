#ifndef TESSO_MESSAGING_BYTE_BUFFER_STREAM_WRITER_H_
#define TESSO_MESSAGING_BYTE_BUFFER_STREAM_WRITER_H_

#include <vector>

#include "messaging/byte_streams.h"

namespace flutter {

// Appends to a borrowed vector; alignment is measured from the vector's first byte.
class ByteBufferStreamWriter : public ByteStreamWriter {
 public:
  explicit ByteBufferStreamWriter(std::vector<uint8_t>* buffer) : buffer_(buffer) {}

  void WriteByte(uint8_t byte) override { buffer_->push_back(byte); }
  void WriteBytes(const uint8_t* bytes, size_t length) override {
    buffer_->insert(buffer_->end(), bytes, bytes + length);
  }
  void WriteAlignment(uint8_t alignment) override {
    if (alignment == 0) return;
    size_t mod = buffer_->size() % alignment;
    if (mod != 0) buffer_->insert(buffer_->end(), alignment - mod, 0);
  }

 private:
  std::vector<uint8_t>* buffer_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_BYTE_BUFFER_STREAM_WRITER_H_
