// A binary messenger for service tests: every delivered message gets an id under which its
// response is recorded (bytes, how often, on which thread), whenever and from whichever thread
// it comes. Handler changes and the messages the service sends are recorded too.
#ifndef TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_
#define TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "messaging/binary_messenger.h"

namespace tesso_test {

class DeferredReplyMessenger : public flutter::BinaryMessenger {
 public:
  struct Response {
    int answers = 0;  // 0: not answered (yet)
    std::vector<uint8_t> bytes;
    std::thread::id thread;
  };
  struct Sent {
    std::string channel;
    std::vector<uint8_t> message;
    bool wants_reply = false;
  };

  // Runs after each handler change, on the changing thread.
  std::function<void(const std::string& channel, bool set)> on_handler_change;
  std::vector<std::pair<std::string, bool>> handler_changes;  // channel, set (false: cleared)
  mutable std::vector<Sent> sent;

  // Hands `message` to the channel's handler on the calling thread. The id of its response;
  // none when the channel has no handler.
  std::optional<int> Deliver(const std::string& channel, const std::vector<uint8_t>& message);
  // The response so far (any thread).
  Response ResponseFor(int id) const;

  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override;
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override;

 private:
  mutable std::mutex mutex_;  // guards responses_ and next_id_
  std::map<int, Response> responses_;
  int next_id_ = 1;
  std::map<std::string, flutter::BinaryMessageHandler> handlers_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_
