#include "tests/test_host/host_channel.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"

namespace tesso::test_host {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr char kChannel[] = "tesso.test/host";
constexpr char kPeerChannel[] = "tesso.test/peer";
constexpr int32_t kDefaultDelayMs = 20;

const EncodableValue* FindMember(const EncodableValue* arguments, const char* key) {
  const auto* map = arguments != nullptr ? std::get_if<EncodableMap>(arguments) : nullptr;
  if (map == nullptr) return nullptr;
  const auto it = map->find(EncodableValue(key));
  return it == map->end() ? nullptr : &it->second;
}

void SucceedWith(flutter::MethodResult<EncodableValue>& result, const EncodableValue* value) {
  if (value != nullptr) {
    result.Success(*value);
  } else {
    result.Success();
  }
}

EncodableValue ValueOrNull(const EncodableValue* value) {
  return value != nullptr ? *value : EncodableValue();
}

}  // namespace

HostChannel::HostChannel(flutter::BinaryMessenger* messenger, std::function<void()> request_quit)
    : channel_(messenger, kChannel, &flutter::StandardMethodCodec::GetInstance()),
      peer_channel_(messenger, kPeerChannel, &flutter::StandardMethodCodec::GetInstance()),
      request_quit_(std::move(request_quit)) {
  channel_.SetMethodCallHandler(
      [this](const Call& call, Result result) { HandleCall(call, std::move(result)); });
}

HostChannel::~HostChannel() {
  for (std::thread& worker : workers_) worker.join();
}

void HostChannel::ClearHandler() { channel_.SetMethodCallHandler(nullptr); }

void HostChannel::HandleCall(const Call& call, Result result) {
  const std::string& method = call.method_name();
  const EncodableValue* arguments = call.arguments();
  if (method == "echo") {
    SucceedWith(*result, arguments);
  } else if (method == "answerLater") {
    AnswerLater(arguments, std::move(result));
  } else if (method == "answerTwice") {
    result->Success(EncodableValue("first"));
    result->Success(EncodableValue("second"));  // refused by the result: one answer only
  } else if (method == "neverAnswer") {
    result.reset();  // dropped unanswered: the peer gets nothing
  } else if (method == "error") {
    if (arguments != nullptr) {
      result->Error("test_error", "message from the host", *arguments);
    } else {
      result->Error("test_error", "message from the host");
    }
  } else if (method == "bytes") {
    Bytes(arguments, std::move(result));
  } else if (method == "invokePeer") {
    CallPeer(arguments, std::move(result), true);
  } else if (method == "sendToPeer") {
    CallPeer(arguments, std::move(result), false);
  } else if (method == "clearHandler") {
    result->Success(EncodableValue(true));
    ClearHandler();
  } else if (method == "quit") {
    result->Success(EncodableValue(true));
    if (request_quit_) request_quit_();
  } else {
    result->NotImplemented();
  }
}

void HostChannel::AnswerLater(const EncodableValue* arguments, Result result) {
  const auto* delay = arguments != nullptr ? std::get_if<int32_t>(arguments) : nullptr;
  const std::chrono::milliseconds wait(delay != nullptr && *delay > 0 ? *delay : kDefaultDelayMs);
  std::optional<EncodableValue> answer;
  if (arguments != nullptr) answer = *arguments;
  // The result is answered, and then destroyed, on the worker: the messenger must take an
  // answer from any thread.
  workers_.emplace_back(
      [wait, answer = std::move(answer), result = std::move(result)]() mutable noexcept {
        std::this_thread::sleep_for(wait);
        SucceedWith(*result, answer ? &*answer : nullptr);
        result.reset();
      });
}

void HostChannel::Bytes(const EncodableValue* arguments, Result result) {
  const auto* count = arguments != nullptr ? std::get_if<int32_t>(arguments) : nullptr;
  if (count == nullptr || *count < 0) {
    result->Error("bad_args", "expected a non-negative int32");
    return;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(*count));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i & 0xFF);
  result->Success(EncodableValue(std::move(bytes)));
}

void HostChannel::CallPeer(const EncodableValue* arguments, Result result, bool forward_result) {
  const EncodableValue* method = FindMember(arguments, "method");
  const auto* method_name = method != nullptr ? std::get_if<std::string>(method) : nullptr;
  if (method_name == nullptr) {
    result->Error("bad_args", "expected a map with a string \"method\"");
    return;
  }
  const EncodableValue* peer_arguments = FindMember(arguments, "arguments");
  auto forwarded =
      peer_arguments != nullptr ? std::make_unique<EncodableValue>(*peer_arguments) : nullptr;
  if (!forward_result) {
    peer_channel_.InvokeMethod(*method_name, std::move(forwarded));
    result->Success(EncodableValue(true));
    return;
  }
  // The peer's answer, whichever it is, becomes the success value of the original call.
  std::shared_ptr<flutter::MethodResult<EncodableValue>> original = std::move(result);
  auto on_success = [original](const EncodableValue* value) {
    original->Success(EncodableValue(EncodableMap{
        {EncodableValue("outcome"), EncodableValue("success")},
        {EncodableValue("value"), ValueOrNull(value)},
    }));
  };
  auto on_error = [original](const std::string& code, const std::string& message,
                             const EncodableValue* details) {
    original->Success(EncodableValue(EncodableMap{
        {EncodableValue("outcome"), EncodableValue("error")},
        {EncodableValue("code"), EncodableValue(code)},
        {EncodableValue("message"), EncodableValue(message)},
        {EncodableValue("value"), ValueOrNull(details)},
    }));
  };
  auto on_not_implemented = [original]() {
    original->Success(EncodableValue(EncodableMap{
        {EncodableValue("outcome"), EncodableValue("notImplemented")},
    }));
  };
  peer_channel_.InvokeMethod(
      *method_name, std::move(forwarded),
      std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
          std::move(on_success), std::move(on_error), std::move(on_not_implemented)));
}

}  // namespace tesso::test_host
