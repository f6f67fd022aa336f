// Turns fuzz input into a method call message for a service: the first byte picks one of the
// service's method names or a name of up to 15 bytes taken from the input, the rest is the
// encoded arguments (arbitrary bytes, so malformed values too).
#ifndef TESSO_TESTS_FUZZ_FUZZ_CALL_H_
#define TESSO_TESTS_FUZZ_FUZZ_CALL_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "messaging/byte_buffer_stream_writer.h"
#include "messaging/standard_codec_serializer.h"

namespace tesso_fuzz {

inline std::vector<uint8_t> CallMessage(const std::vector<std::string>& methods,
                                        const uint8_t* data, size_t size) {
  std::vector<uint8_t> message;
  if (size-- == 0) return message;
  const size_t choice = *data++ % (methods.size() + 1);
  std::string name = choice < methods.size() ? methods[choice] : "";
  if (choice == methods.size()) {
    const size_t taken = size == 0 ? 0 : std::min<size_t>(data[0] % 16, size);
    name.assign(reinterpret_cast<const char*>(data), taken);
    data += taken;
    size -= taken;
  }
  flutter::ByteBufferStreamWriter writer(&message);
  flutter::StandardCodecSerializer::GetInstance().WriteValue(flutter::EncodableValue(name),
                                                             &writer);
  message.insert(message.end(), data, data + size);
  return message;
}

}  // namespace tesso_fuzz

#endif  // TESSO_TESTS_FUZZ_FUZZ_CALL_H_
