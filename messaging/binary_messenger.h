#ifndef TESSO_MESSAGING_BINARY_MESSENGER_H_
#define TESSO_MESSAGING_BINARY_MESSENGER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace flutter {

// Receives the reply to a sent message, or sends the response to a received one. `reply` is
// null when there are no bytes.
using BinaryReply = std::function<void(const uint8_t* reply, size_t reply_size)>;

// Handles one received message; `reply` answers it, from any thread.
using BinaryMessageHandler =
    std::function<void(const uint8_t* message, size_t message_size, BinaryReply reply)>;

// Byte messages on named channels between the host and the user interface.
class BinaryMessenger {
 public:
  virtual ~BinaryMessenger() = default;

  // Sends a message; an empty `reply` means no reply is wanted.
  virtual void Send(const std::string& channel, const uint8_t* message, size_t message_size,
                    BinaryReply reply = nullptr) const = 0;

  // Registers (or, with an empty handler, removes) the handler of a channel, replacing any
  // earlier one. Handlers are called on the UI thread.
  virtual void SetMessageHandler(const std::string& channel, BinaryMessageHandler handler) = 0;
};

}  // namespace flutter

#endif  // TESSO_MESSAGING_BINARY_MESSENGER_H_
