#ifndef TESSO_MESSAGING_METHOD_CHANNEL_H_
#define TESSO_MESSAGING_METHOD_CHANNEL_H_

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "messaging/binary_messenger.h"
#include "messaging/diagnostics.h"
#include "messaging/engine_method_result.h"
#include "messaging/method_call.h"
#include "messaging/method_codec.h"
#include "messaging/method_result.h"

namespace flutter {

// Handles one decoded call; must answer through `result` exactly once, on the UI thread
// (now, or later if it keeps the result).
template <typename T>
using MethodCallHandler =
    std::function<void(const MethodCall<T>& call, std::unique_ptr<MethodResult<T>> result)>;

// A named channel whose messages are method calls and result envelopes. Destroying the
// channel leaves its handler registered: owners clear it first.
template <typename T>
class MethodChannel {
 public:
  // `messenger` and `codec` are not owned and must outlive the channel and its handler.
  MethodChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec<T>* codec)
      : messenger_(messenger), name_(name), codec_(codec) {}
  ~MethodChannel() = default;

  MethodChannel(const MethodChannel&) = delete;
  MethodChannel& operator=(const MethodChannel&) = delete;

  // Sends a call to the user interface. Without a result, no reply is asked for; with one,
  // the reply is decoded into it on the UI thread.
  void InvokeMethod(const std::string& method, std::unique_ptr<T> arguments,
                    std::unique_ptr<MethodResult<T>> result = nullptr) {
    MethodCall<T> call(method, std::move(arguments));
    std::unique_ptr<std::vector<uint8_t>> message = codec_->EncodeMethodCall(call);
    if (!result) {
      messenger_->Send(name_, message->data(), message->size(), nullptr);
      return;
    }
    std::shared_ptr<MethodResult<T>> shared_result = std::move(result);
    BinaryReply on_reply = [shared_result, codec = codec_, channel = name_](const uint8_t* reply,
                                                                            size_t reply_size) {
      if (reply_size == 0) {
        shared_result->NotImplemented();
        return;
      }
      if (!codec->DecodeAndProcessResponseEnvelope(reply, reply_size, shared_result.get())) {
        WriteDiagnosticLine("Unable to decode reply to method invocation on channel " + channel);
        shared_result->NotImplemented();
      }
    };
    messenger_->Send(name_, message->data(), message->size(), std::move(on_reply));
  }

  // Registers `handler` for this channel's calls; an empty handler clears the registration.
  void SetMethodCallHandler(MethodCallHandler<T> handler) const {
    if (!handler) {
      messenger_->SetMessageHandler(name_, nullptr);
      return;
    }
    BinaryMessageHandler binary_handler = [handler = std::move(handler), codec = codec_,
                                           channel = name_](const uint8_t* message,
                                                            size_t message_size,
                                                            BinaryReply reply) {
      auto result = std::make_unique<EngineMethodResult<T>>(std::move(reply), codec);
      std::unique_ptr<MethodCall<T>> call = codec->DecodeMethodCall(message, message_size);
      if (!call) {
        WriteDiagnosticLine("Unable to construct method call from message on channel " + channel);
        result->NotImplemented();
        return;
      }
      handler(*call, std::move(result));
    };
    messenger_->SetMessageHandler(name_, std::move(binary_handler));
  }

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec<T>* codec_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_METHOD_CHANNEL_H_
