// A binary messenger for service tests: every delivered message gets an id under which its
// response is recorded (bytes, how often, on which thread), whenever and from whichever thread
// it comes. Handler changes and the messages the service sends are recorded too.
#ifndef TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_
#define TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "messaging/binary_messenger.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/unit/value_description.h"

namespace tesso_test {

class DeferredReplyMessenger : public flutter::BinaryMessenger {
 public:
  using Value = flutter::EncodableValue;
  struct Response {
    int answers = 0;  // 0: not answered (yet)
    std::vector<uint8_t> bytes;
    std::thread::id thread;
  };

  // Runs after each handler change, on the changing thread.
  std::function<void(const std::string& channel, bool set)> on_handler_change;
  std::vector<std::pair<std::string, bool>> handler_changes;  // channel, set (false: cleared)
  // "<channel> <method> null|arguments[ reply]" (Send must not need the value describer).
  mutable std::vector<std::string> sent;

  // Hands `message` to the channel's handler on the calling thread. The id of its response;
  // none when the channel has no handler.
  std::optional<int> Deliver(const std::string& channel, const std::vector<uint8_t>& message) {
    auto found = handlers_.find(channel);
    if (found == handlers_.end()) return std::nullopt;
    int id = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      responses_[id = next_id_++];
    }
    // A copy: the handler may replace itself while it runs.
    flutter::BinaryMessageHandler handler = found->second;
    handler(message.data(), message.size(), [this, id](const uint8_t* reply, size_t size) {
      std::lock_guard<std::mutex> lock(mutex_);
      Response& response = responses_[id];
      ++response.answers;
      response.bytes.assign(reply, reply == nullptr ? reply : reply + size);
      response.thread = std::this_thread::get_id();
    });
    return id;
  }
  // Calls a method as the user interface does (`arguments` null: none); 0 without a handler.
  int Call(const std::string& channel, const std::string& method, const Value* arguments) {
    flutter::MethodCall<Value> call(
        method, arguments == nullptr ? nullptr : std::make_unique<Value>(*arguments));
    return Deliver(channel, *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call))
        .value_or(0);
  }
  Response ResponseFor(int id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = responses_.find(id);
    return found == responses_.end() ? Response() : found->second;
  }
  // "none" before an answer; "success <value>", "error <code> <message> <details>" or
  // "not implemented" after one. A second answer or one from another thread is marked.
  std::string ReplyTo(int id) const {
    const Response response = ResponseFor(id);
    if (response.answers == 0) return "none";
    std::string reply = response.bytes.empty() ? "not implemented" : "undecodable";
    flutter::MethodResultFunctions<Value> decoder(
        [&](const Value* value) { reply = "success " + Text(value); },
        [&](const std::string& code, const std::string& message, const Value* details) {
          reply = "error " + code + " " + message + " " + Text(details);
        },
        nullptr);
    if (!response.bytes.empty()) {
      flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
          response.bytes.data(), response.bytes.size(), &decoder);
    }
    if (response.answers != 1) reply += " (answered " + std::to_string(response.answers) + "x)";
    if (response.thread != std::this_thread::get_id()) reply += " (from another thread)";
    return reply;
  }

  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            flutter::BinaryReply reply = nullptr) const override {
    const auto call =
        flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(message, message_size);
    const bool null = call && (!call->arguments() || call->arguments()->IsNull());
    sent.push_back(channel + " " + (call ? call->method_name() : "undecodable") +
                   (null ? " null" : " arguments") + (reply ? " reply" : ""));
  }
  void SetMessageHandler(const std::string& channel,
                         flutter::BinaryMessageHandler handler) override {
    const bool set = static_cast<bool>(handler);
    handler_changes.emplace_back(channel, set);
    if (set) {
      handlers_[channel] = std::move(handler);
    } else {
      handlers_.erase(channel);
    }
    if (on_handler_change) on_handler_change(channel, set);
  }

 private:
  static std::string Text(const Value* value) { return value ? Describe(*value) : "null"; }

  mutable std::mutex mutex_;  // guards responses_ and next_id_
  std::map<int, Response> responses_;
  int next_id_ = 1;
  std::map<std::string, flutter::BinaryMessageHandler> handlers_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_DEFERRED_REPLY_MESSENGER_H_
