// A binary messenger for service tests: records handler changes and sent messages, and lets
// a test play the user interface by delivering messages to a channel's handler.
#ifndef TESSO_TESTS_FAKES_FAKE_BINARY_MESSENGER_H_
#define TESSO_TESTS_FAKES_FAKE_BINARY_MESSENGER_H_

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "messaging/binary_messenger.h"

namespace tesso_test {

class FakeBinaryMessenger : public flutter::BinaryMessenger {
 public:
  struct SentMessage {
    std::string channel;
    std::vector<uint8_t> message;
    flutter::BinaryReply reply;  // empty when no reply was asked for
  };

  // Where handler changes are also logged ("SetMessageHandler <channel> set|clear"), to put
  // them in order with another fake's calls; none by default.
  std::vector<std::string>* shared_log = nullptr;

  // Records.
  mutable std::vector<SentMessage> sent;
  std::vector<std::pair<std::string, bool>> handler_changes;  // channel, set (false: cleared)

  bool HasHandler(const std::string& channel) const { return handlers_.count(channel) != 0; }

  // Delivers `message` to the channel's handler. Returns the reply bytes if the handler
  // answered before returning, none otherwise (also when the channel has no handler). The
  // reply function handed to the handler must not be used after Deliver returns.
  std::optional<std::vector<uint8_t>> Deliver(const std::string& channel,
                                              const std::vector<uint8_t>& message);

  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;

 private:
  std::map<std::string, flutter::BinaryMessageHandler> handlers_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_BINARY_MESSENGER_H_
