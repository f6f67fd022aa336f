#ifndef TESSO_MESSAGING_ENGINE_METHOD_RESULT_H_
#define TESSO_MESSAGING_ENGINE_METHOD_RESULT_H_

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "messaging/binary_messenger.h"
#include "messaging/method_codec.h"
#include "messaging/method_result.h"

namespace flutter {

// Holds the binary reply of one received message and lets it be used exactly once.
class OneShotReply {
 public:
  explicit OneShotReply(BinaryReply reply)
      : reply_(std::move(reply)), exceptions_in_flight_(std::uncaught_exceptions()) {}
  // Warns when the message was never answered, unless a handler's exception is unwinding it:
  // the messenger answers for that one.
  ~OneShotReply();

  OneShotReply(const OneShotReply&) = delete;
  OneShotReply& operator=(const OneShotReply&) = delete;

  // Sends `data` (none or empty: a reply of size 0); every use after the first only warns.
  void SendResponseData(const std::vector<uint8_t>* data);

 private:
  BinaryReply reply_;
  int exceptions_in_flight_;
};

// The method result handed to a channel's handler for one received call.
template <typename T>
class EngineMethodResult : public MethodResult<T> {
 public:
  // `codec` is not owned and must outlive the result.
  EngineMethodResult(BinaryReply reply, const MethodCodec<T>* codec)
      : reply_(std::make_unique<OneShotReply>(std::move(reply))), codec_(codec) {}
  ~EngineMethodResult() override = default;

 protected:
  void SuccessInternal(const T* result) override {
    auto data = codec_->EncodeSuccessEnvelope(result);
    reply_->SendResponseData(data.get());
  }
  void ErrorInternal(const std::string& error_code, const std::string& error_message,
                     const T* error_details) override {
    auto data = codec_->EncodeErrorEnvelope(error_code, error_message, error_details);
    reply_->SendResponseData(data.get());
  }
  // An empty reply means the method is not implemented.
  void NotImplementedInternal() override { reply_->SendResponseData(nullptr); }

 private:
  std::unique_ptr<OneShotReply> reply_;
  const MethodCodec<T>* codec_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_ENGINE_METHOD_RESULT_H_
