#include "tests/fakes/deferred_reply_messenger.h"

namespace tesso_test {

std::optional<int> DeferredReplyMessenger::Deliver(const std::string& channel,
                                                   const std::vector<uint8_t>& message) {
  auto found = handlers_.find(channel);
  if (found == handlers_.end()) return std::nullopt;
  int id = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    id = next_id_++;
    responses_[id];
  }
  // A copy: the handler may replace itself while it runs.
  flutter::BinaryMessageHandler handler = found->second;
  handler(message.data(), message.size(), [this, id](const uint8_t* reply, size_t reply_size) {
    std::lock_guard<std::mutex> lock(mutex_);
    Response& response = responses_[id];
    ++response.answers;
    response.bytes =
        reply == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(reply, reply + reply_size);
    response.thread = std::this_thread::get_id();
  });
  return id;
}

DeferredReplyMessenger::Response DeferredReplyMessenger::ResponseFor(int id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = responses_.find(id);
  return found == responses_.end() ? Response() : found->second;
}

void DeferredReplyMessenger::Send(const std::string& channel, const uint8_t* message,
                                  size_t message_size, flutter::BinaryReply reply) const {
  sent.push_back({channel, std::vector<uint8_t>(message, message + message_size), bool(reply)});
}

void DeferredReplyMessenger::SetMessageHandler(const std::string& channel,
                                               flutter::BinaryMessageHandler handler) {
  const bool set = static_cast<bool>(handler);
  handler_changes.emplace_back(channel, set);
  if (set) {
    handlers_[channel] = std::move(handler);
  } else {
    handlers_.erase(channel);
  }
  if (on_handler_change) on_handler_change(channel, set);
}

}  // namespace tesso_test
