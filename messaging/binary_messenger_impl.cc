#include "messaging/binary_messenger_impl.h"

#include <memory>
#include <string>
#include <utility>

#include "messaging/diagnostics.h"

namespace flutter {
namespace {

// Holds the engine messenger's lock for as long as it lives.
class MessengerLock {
 public:
  explicit MessengerLock(FlutterDesktopMessengerRef messenger)
      : locked_(FlutterDesktopMessengerLock(messenger)) {}
  ~MessengerLock() {
    if (locked_ != nullptr) FlutterDesktopMessengerUnlock(locked_);
  }
  MessengerLock(const MessengerLock&) = delete;
  MessengerLock& operator=(const MessengerLock&) = delete;

 private:
  FlutterDesktopMessengerRef locked_;
};

// The one response the engine expects for a received message, sendable from any thread.
class PendingResponse {
 public:
  PendingResponse(FlutterDesktopMessengerRef messenger,
                  const FlutterDesktopMessageResponseHandle* handle)
      // The reference keeps the engine's messenger alive (though perhaps unavailable) until
      // the response is gone, whichever thread answers and whenever.
      : messenger_(FlutterDesktopMessengerAddRef(messenger), &FlutterDesktopMessengerRelease),
        handle_(handle) {}

  void Send(const uint8_t* bytes, size_t size) {
    MessengerLock lock(messenger_.get());
    if (!FlutterDesktopMessengerIsAvailable(messenger_.get())) return;
    if (handle_ == nullptr) {
      WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
      return;
    }
    FlutterDesktopMessengerSendResponse(messenger_.get(), handle_, bytes, size);
    handle_ = nullptr;
  }

  // The empty ("not implemented") response, unless one was sent.
  void SendEmptyIfUnanswered() {
    MessengerLock lock(messenger_.get());
    if (handle_ == nullptr || !FlutterDesktopMessengerIsAvailable(messenger_.get())) return;
    FlutterDesktopMessengerSendResponse(messenger_.get(), handle_, nullptr, 0);
    handle_ = nullptr;
  }

 private:
  std::shared_ptr<FlutterDesktopMessenger> messenger_;
  const FlutterDesktopMessageResponseHandle* handle_;
};

// Called by the engine on the UI thread for a message on a channel with a handler.
void ForwardToHandler(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                      void* user_data) noexcept {
  std::shared_ptr<PendingResponse> response;
  try {
    const auto* handler = static_cast<const BinaryMessageHandler*>(user_data);
    response = std::make_shared<PendingResponse>(messenger, message->response_handle);
    BinaryReply reply = [response](const uint8_t* bytes, size_t size) {
      response->Send(bytes, size);
    };
    // Run a copy: a handler may replace or clear its own registration while it runs.
    BinaryMessageHandler running = *handler;
    running(message->message, message->message_size, std::move(reply));
  } catch (...) {
    // The engine must not see the exception, and the caller must not wait for an answer the
    // handler can no longer give.
    try {
      WriteDiagnosticLine(std::string("Error: the handler of channel ") +
                          (message->channel != nullptr ? message->channel : "") +
                          " threw an exception.");
      if (response) response->SendEmptyIfUnanswered();
    } catch (...) {
    }
  }
}

// Called by the engine with the user interface's reply to a sent message.
void ForwardReply(const uint8_t* data, size_t data_size, void* user_data) noexcept {
  std::unique_ptr<BinaryReply> reply(static_cast<BinaryReply*>(user_data));
  try {
    (*reply)(data, data_size);
  } catch (...) {
    // The engine must not see the exception.
  }
}

}  // namespace

BinaryMessengerImpl::BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger)
    : messenger_(core_messenger) {}

void BinaryMessengerImpl::Send(const std::string& channel, const uint8_t* message,
                               size_t message_size, BinaryReply reply) const {
  if (messenger_ == nullptr) return;  // No engine: nothing can be sent, nor answered.
  if (!reply) {
    FlutterDesktopMessengerSend(messenger_, channel.c_str(), message, message_size);
    return;
  }
  auto captured = std::make_unique<BinaryReply>(std::move(reply));
  if (FlutterDesktopMessengerSendWithReply(messenger_, channel.c_str(), message, message_size,
                                           &ForwardReply, captured.get())) {
    // The engine owns it now and hands it back to ForwardReply.
    static_cast<void>(captured.release());
  }
}

void BinaryMessengerImpl::SetMessageHandler(const std::string& channel,
                                            BinaryMessageHandler handler) {
  if (!handler) {
    handlers_.erase(channel);
    if (messenger_ != nullptr) {
      FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), nullptr, nullptr);
    }
    return;
  }
  BinaryMessageHandler& stored = handlers_[channel];
  stored = std::move(handler);
  if (messenger_ == nullptr) return;
  FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), &ForwardToHandler, &stored);
}

}  // namespace flutter
