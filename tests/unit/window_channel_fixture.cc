#include "tests/unit/window_channel_fixture.h"

#include <utility>
#include <variant>

#include "messaging/method_call.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"

namespace tesso_test {

using flutter::EncodableValue;
using flutter::StandardMethodCodec;

void WindowChannelTest::TearDown() {
  service_.reset();
  // Every window call went to the service's own window.
  for (tesso::WindowHandle window : shell_.windows) EXPECT_EQ(window, kWindow);
}

void WindowChannelTest::Create(bool start_hidden) {
  messenger_.shared_log = &shell_.calls;
  service_ = std::make_unique<tesso::WindowChannel>(&messenger_, kWindow, start_hidden, &shell_);
}

Reply WindowChannelTest::Call(const std::string& method, const EncodableValue* arguments) {
  const StandardMethodCodec& codec = StandardMethodCodec::GetInstance();
  flutter::MethodCall<EncodableValue> call(
      method, arguments == nullptr ? nullptr : std::make_unique<EncodableValue>(*arguments));
  const auto bytes =
      messenger_.Deliver(tesso::WindowChannel::kChannelName, *codec.EncodeMethodCall(call));
  Reply reply;
  if (!bytes) return reply;
  if (bytes->empty()) {
    reply.kind = Reply::Kind::kNotImplemented;
    return reply;
  }
  flutter::MethodResultFunctions<EncodableValue> decoder(
      [&reply](const EncodableValue* value) {
        reply.kind = Reply::Kind::kSuccess;
        if (value != nullptr) reply.value = *value;
      },
      [&reply](const std::string& code, const std::string& message, const EncodableValue* details) {
        reply.kind = Reply::Kind::kError;
        reply.code = code;
        reply.message = message;
        if (details != nullptr) reply.value = *details;
      },
      [&reply] { reply.kind = Reply::Kind::kNotImplemented; });
  EXPECT_TRUE(codec.DecodeAndProcessResponseEnvelope(bytes->data(), bytes->size(), &decoder));
  return reply;
}

bool WindowChannelTest::IsHidden() {
  const Reply reply = Call("isHidden", nullptr);
  EXPECT_EQ(reply.kind, Reply::Kind::kSuccess);
  const bool* hidden = std::get_if<bool>(&reply.value);
  EXPECT_NE(hidden, nullptr);
  return hidden != nullptr && *hidden;
}

bool WindowChannelTest::Offer(uint32_t message, uint64_t wparam, int64_t lparam) {
  int64_t result = kUntouched;
  const bool consumed = service_->HandleWindowMessage(message, wparam, lparam, &result);
  EXPECT_EQ(result, consumed ? 0 : kUntouched) << "message " << message;
  return consumed;
}

uint32_t WindowChannelTest::ShowWindowMessage() const {
  for (size_t i = 0; i < shell_.registered_names.size(); ++i) {
    if (shell_.registered_names[i] == u"Halvo.ShowMainWindow") {
      return FakeShellPort::kFirstRegisteredMessage + static_cast<uint32_t>(i);
    }
  }
  ADD_FAILURE() << "\"Halvo.ShowMainWindow\" was not registered";
  return 0;
}

uint32_t WindowChannelTest::TaskbarCreatedMessage() const {
  for (size_t i = 0; i < shell_.registered_names.size(); ++i) {
    if (shell_.registered_names[i] == u"TaskbarCreated") {
      return FakeShellPort::kFirstRegisteredMessage + static_cast<uint32_t>(i);
    }
  }
  ADD_FAILURE() << "\"TaskbarCreated\" was not registered";
  return 0;
}

void WindowChannelTest::ClearRecords() {
  shell_.calls.clear();
  shell_.notify_calls.clear();
  shell_.menu_entries.clear();
  messenger_.sent.clear();
}

std::vector<OutgoingCall> WindowChannelTest::Outgoing() const {
  std::vector<OutgoingCall> calls;
  for (const auto& sent : messenger_.sent) {
    EXPECT_EQ(sent.channel, tesso::WindowChannel::kChannelName);
    auto call = StandardMethodCodec::GetInstance().DecodeMethodCall(sent.message);
    if (!call) {
      ADD_FAILURE() << "not a method call";
      continue;
    }
    OutgoingCall outgoing;
    outgoing.method = call->method_name();
    outgoing.has_arguments = call->arguments() != nullptr;
    if (call->arguments() != nullptr) outgoing.arguments = *call->arguments();
    outgoing.wants_reply = static_cast<bool>(sent.reply);
    calls.push_back(std::move(outgoing));
  }
  return calls;
}

void WindowChannelTest::ReplyWithError(size_t index) {
  ASSERT_LT(index, messenger_.sent.size());
  const auto& sent = messenger_.sent[index];
  if (!sent.reply) return;  // nobody listens for it
  auto envelope = StandardMethodCodec::GetInstance().EncodeErrorEnvelope("failed", "no viewers");
  sent.reply(envelope->data(), envelope->size());
}

EncodableValue TextMap(const std::vector<std::pair<std::string, std::string>>& entries) {
  flutter::EncodableMap map;
  for (const auto& [key, value] : entries) map[EncodableValue(key)] = EncodableValue(value);
  return EncodableValue(map);
}

}  // namespace tesso_test
