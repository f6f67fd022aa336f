// The byte stream interfaces the value serializer reads from and writes to.
#ifndef TESSO_MESSAGING_BYTE_STREAMS_H_
#define TESSO_MESSAGING_BYTE_STREAMS_H_

#include <cstddef>
#include <cstdint>

namespace flutter {

class ByteStreamReader {
 public:
  virtual ~ByteStreamReader() = default;
  // A read past the end reports itself and yields 0.
  virtual uint8_t ReadByte() = 0;
  // A read past the end reports itself and leaves the destination untouched.
  virtual void ReadBytes(uint8_t* buffer, size_t length) = 0;
  // Skips to the next multiple of `alignment`, measured from the start of the message.
  virtual void ReadAlignment(uint8_t alignment) = 0;
  // Bytes left to read, so that a declared count can be checked against the message before
  // anything is allocated for it. A reader that cannot tell answers SIZE_MAX.
  virtual size_t Remaining() const { return SIZE_MAX; }
  // The next `length` bytes where they lie, skipped over, so that a large payload is copied
  // once; null (nothing read) when they are not all there or the reader cannot lend them.
  virtual const uint8_t* ReadInPlace(size_t length) {
    (void)length;
    return nullptr;
  }

  // What decoding has made up past the end of this message so far (zero-filled payload bytes,
  // null elements), which the serializer holds to one budget per message.
  size_t made_up() const { return made_up_; }
  void AddMadeUp(size_t count) { made_up_ += count; }
  // Whether a size or count was refused for want of budget; only the first refusal of a
  // message is reported, so that a message of refused headers cannot flood the error stream.
  bool refused() const { return refused_; }
  void SetRefused() { refused_ = true; }

 private:
  size_t made_up_ = 0;
  bool refused_ = false;
};

class ByteStreamWriter {
 public:
  virtual ~ByteStreamWriter() = default;
  virtual void WriteByte(uint8_t byte) = 0;
  virtual void WriteBytes(const uint8_t* bytes, size_t length) = 0;
  // Pads with zero bytes to the next multiple of `alignment` from the start of the message.
  virtual void WriteAlignment(uint8_t alignment) = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_BYTE_STREAMS_H_
