#ifndef TESSO_MESSAGING_BINARY_MESSENGER_IMPL_H_
#define TESSO_MESSAGING_BINARY_MESSENGER_IMPL_H_

#include <map>
#include <string>

#include "messaging/binary_messenger.h"
#include "messaging/engine_api.h"

namespace flutter {

// The binary messenger over the engine library's messenger. One per engine; used on the UI
// thread, except that replies to received messages may be sent from any thread.
class BinaryMessengerImpl : public BinaryMessenger {
 public:
  // `core_messenger` is not owned.
  explicit BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger);
  ~BinaryMessengerImpl() override = default;

  BinaryMessengerImpl(const BinaryMessengerImpl&) = delete;
  BinaryMessengerImpl& operator=(const BinaryMessengerImpl&) = delete;

  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            BinaryReply reply) const override;
  void SetMessageHandler(const std::string& channel, BinaryMessageHandler handler) override;

 private:
  FlutterDesktopMessengerRef messenger_;
  // Owns the registered handlers; a handler's address is the engine callback's user data and
  // stays stable while it is registered (map nodes do not move).
  std::map<std::string, BinaryMessageHandler> handlers_;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_BINARY_MESSENGER_IMPL_H_
