#ifndef TESSO_MESSAGING_METHOD_CODEC_H_
#define TESSO_MESSAGING_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/method_call.h"
#include "messaging/method_result.h"

namespace flutter {

// Translates method calls and result envelopes to and from bytes. The public operations
// forward to the virtual ones.
template <typename T>
class MethodCodec {
 public:
  MethodCodec() = default;
  virtual ~MethodCodec() = default;

  MethodCodec(const MethodCodec&) = delete;
  MethodCodec& operator=(const MethodCodec&) = delete;

  // None when the message is not a method call.
  std::unique_ptr<MethodCall<T>> DecodeMethodCall(const uint8_t* message, size_t size) const {
    return DecodeMethodCallInternal(message, size);
  }
  std::unique_ptr<MethodCall<T>> DecodeMethodCall(const std::vector<uint8_t>& message) const {
    return DecodeMethodCallInternal(message.data(), message.size());
  }
  std::unique_ptr<std::vector<uint8_t>> EncodeMethodCall(const MethodCall<T>& call) const {
    return EncodeMethodCallInternal(call);
  }
  std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelope(const T* result = nullptr) const {
    return EncodeSuccessEnvelopeInternal(result);
  }
  std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelope(
      const std::string& error_code, const std::string& error_message = "",
      const T* error_details = nullptr) const {
    return EncodeErrorEnvelopeInternal(error_code, error_message, error_details);
  }
  // Hands the decoded envelope to `result`; false when the bytes are not an envelope.
  bool DecodeAndProcessResponseEnvelope(const uint8_t* response, size_t response_size,
                                        MethodResult<T>* result) const {
    return DecodeAndProcessResponseEnvelopeInternal(response, response_size, result);
  }

 protected:
  virtual std::unique_ptr<MethodCall<T>> DecodeMethodCallInternal(const uint8_t* message,
                                                                  size_t size) const = 0;
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeMethodCallInternal(
      const MethodCall<T>& call) const = 0;
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelopeInternal(
      const T* result) const = 0;
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelopeInternal(
      const std::string& error_code, const std::string& error_message,
      const T* error_details) const = 0;
  virtual bool DecodeAndProcessResponseEnvelopeInternal(const uint8_t* response,
                                                        size_t response_size,
                                                        MethodResult<T>* result) const = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_METHOD_CODEC_H_
