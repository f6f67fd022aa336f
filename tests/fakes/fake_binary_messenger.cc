#include "tests/fakes/fake_binary_messenger.h"

namespace tesso_test {

std::optional<std::vector<uint8_t>> FakeBinaryMessenger::Deliver(
    const std::string& channel, const std::vector<uint8_t>& message) {
  auto found = handlers_.find(channel);
  if (found == handlers_.end()) return std::nullopt;
  std::optional<std::vector<uint8_t>> answer;
  // A copy: the handler may replace itself while it runs.
  flutter::BinaryMessageHandler handler = found->second;
  handler(message.data(), message.size(), [&answer](const uint8_t* reply, size_t reply_size) {
    answer =
        reply == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(reply, reply + reply_size);
  });
  return answer;
}

void FakeBinaryMessenger::Send(const std::string& channel, const uint8_t* message,
                               size_t message_size, flutter::BinaryReply reply) const {
  sent.push_back(
      {channel, std::vector<uint8_t>(message, message + message_size), std::move(reply)});
}

void FakeBinaryMessenger::SetMessageHandler(const std::string& channel,
                                            flutter::BinaryMessageHandler handler) {
  const bool set = static_cast<bool>(handler);
  handler_changes.emplace_back(channel, set);
  if (shared_log != nullptr) {
    shared_log->push_back("SetMessageHandler " + channel + (set ? " set" : " clear"));
  }
  if (set) {
    handlers_[channel] = std::move(handler);
  } else {
    handlers_.erase(channel);
  }
}

}  // namespace tesso_test
