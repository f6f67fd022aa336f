#include "messaging/binary_messenger_impl.h"

#include <memory>
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

// Called by the engine on the UI thread for a message on a channel with a handler.
void ForwardToHandler(FlutterDesktopMessengerRef messenger, const FlutterDesktopMessage* message,
                      void* user_data) noexcept {
  try {
    const auto* handler = static_cast<const BinaryMessageHandler*>(user_data);
    const FlutterDesktopMessageResponseHandle* response_handle = message->response_handle;
    // The reference keeps the engine's messenger alive (though perhaps unavailable) until the
    // reply is gone, whichever thread answers and whenever.
    std::shared_ptr<FlutterDesktopMessenger> messenger_ref(FlutterDesktopMessengerAddRef(messenger),
                                                           &FlutterDesktopMessengerRelease);
    BinaryReply reply = [messenger_ref, response_handle](const uint8_t* reply_bytes,
                                                         size_t reply_size) mutable {
      MessengerLock lock(messenger_ref.get());
      if (!FlutterDesktopMessengerIsAvailable(messenger_ref.get())) return;
      if (response_handle == nullptr) {
        WriteDiagnosticLine("Error: Response can be set only once. Ignoring duplicate response.");
        return;
      }
      FlutterDesktopMessengerSendResponse(messenger_ref.get(), response_handle, reply_bytes,
                                          reply_size);
      response_handle = nullptr;
    };
    // Run a copy: a handler may replace or clear its own registration while it runs.
    BinaryMessageHandler running = *handler;
    running(message->message, message->message_size, std::move(reply));
  } catch (...) {
    // A handler that throws has lost its reply; the engine must not see the exception.
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
