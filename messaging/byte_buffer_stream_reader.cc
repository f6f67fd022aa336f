#include "messaging/byte_buffer_stream_reader.h"

#include <cstring>

#include "messaging/diagnostics.h"

namespace flutter {
namespace {
void ReportInvalidRead() { WriteDiagnosticLine("Invalid read in StandardCodecByteStreamReader"); }
}  // namespace

uint8_t ByteBufferStreamReader::ReadByte() {
  if (position_ >= size_) {
    ReportInvalidRead();
    return 0;
  }
  return bytes_[position_++];
}

void ByteBufferStreamReader::ReadBytes(uint8_t* buffer, size_t length) {
  // Written so that position_ + length cannot overflow.
  if (length > Remaining()) {
    ReportInvalidRead();
    return;
  }
  if (length != 0) std::memcpy(buffer, bytes_ + position_, length);
  position_ += length;
}

const uint8_t* ByteBufferStreamReader::ReadInPlace(size_t length) {
  if (length > Remaining()) return nullptr;
  const uint8_t* bytes = bytes_ + position_;
  position_ += length;
  return bytes;
}

void ByteBufferStreamReader::ReadAlignment(uint8_t alignment) {
  if (alignment == 0) return;
  size_t mod = position_ % alignment;
  if (mod != 0) position_ += alignment - mod;
}

}  // namespace flutter
