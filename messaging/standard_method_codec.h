#ifndef TESSO_MESSAGING_STANDARD_METHOD_CODEC_H_
#define TESSO_MESSAGING_STANDARD_METHOD_CODEC_H_

#include "messaging/encodable_value.h"
#include "messaging/method_codec.h"
#include "messaging/standard_codec_serializer.h"

namespace flutter {

// The method codec of every channel: calls and envelopes in the standard message codec.
class StandardMethodCodec : public MethodCodec<EncodableValue> {
 public:
  // The codec for `serializer` (null: the shared standard serializer). Codecs are created on
  // first request and never freed, so every caller with the same serializer shares one.
  static const StandardMethodCodec& GetInstance(
      const StandardCodecSerializer* serializer = nullptr);

  ~StandardMethodCodec() override = default;

 protected:
  std::unique_ptr<MethodCall<EncodableValue>> DecodeMethodCallInternal(const uint8_t* message,
                                                                       size_t size) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeMethodCallInternal(
      const MethodCall<EncodableValue>& call) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelopeInternal(
      const EncodableValue* result) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelopeInternal(
      const std::string& error_code, const std::string& error_message,
      const EncodableValue* error_details) const override;
  bool DecodeAndProcessResponseEnvelopeInternal(
      const uint8_t* response, size_t response_size,
      MethodResult<EncodableValue>* result) const override;

 private:
  explicit StandardMethodCodec(const StandardCodecSerializer* serializer)
      : serializer_(serializer) {}

  const StandardCodecSerializer* serializer_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_STANDARD_METHOD_CODEC_H_
