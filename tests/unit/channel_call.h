// Plays the user interface on a service's channel: encodes a method call, and describes the
// recorded response in one line that a table can hold.
#ifndef TESSO_TESTS_UNIT_CHANNEL_CALL_H_
#define TESSO_TESTS_UNIT_CHANNEL_CALL_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/unit/value_description.h"

namespace tesso_test {

// The id of the call's response; `arguments` null sends a call without arguments.
inline int CallMethod(DeferredReplyMessenger& messenger, const std::string& channel,
                      const std::string& method, const flutter::EncodableValue* arguments) {
  flutter::MethodCall<flutter::EncodableValue> call(
      method,
      arguments == nullptr ? nullptr : std::make_unique<flutter::EncodableValue>(*arguments));
  const auto id = messenger.Deliver(
      channel, *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call));
  EXPECT_TRUE(id.has_value()) << channel << " has no handler";
  return id.value_or(0);
}

// "none" before an answer; "success <value>", "error <code> <message> <details>" or
// "not implemented" after one. A second answer or one from another thread is marked.
inline std::string ReplyTo(const DeferredReplyMessenger& messenger, int id) {
  using flutter::EncodableValue;
  const DeferredReplyMessenger::Response response = messenger.ResponseFor(id);
  if (response.answers == 0) return "none";
  std::string reply = "not implemented";
  auto describe = [](const EncodableValue* v) { return v == nullptr ? "null" : Describe(*v); };
  flutter::MethodResultFunctions<EncodableValue> decoder(
      [&](const EncodableValue* value) { reply = "success " + describe(value); },
      [&](const std::string& code, const std::string& message, const EncodableValue* details) {
        reply = "error " + code + " " + message + " " + describe(details);
      },
      nullptr);
  if (!response.bytes.empty()) {
    EXPECT_TRUE(flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
        response.bytes.data(), response.bytes.size(), &decoder));
  }
  if (response.answers != 1) reply += " (answered " + std::to_string(response.answers) + "x)";
  if (response.thread != std::this_thread::get_id()) reply += " (from another thread)";
  return reply;
}

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_CHANNEL_CALL_H_
