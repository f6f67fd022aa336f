// tesso_test_host.exe: runs the messaging classes over the stand-in engine and serves
// "tesso.test/host" (echo, answerLater from a worker, bytes N, invokePeer on "tesso.test/peer",
// quit) for the peer link to drive. Exit code 0 after quit, 1 when the view cannot be made.
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "messaging/flutter_view_controller.h"
#include "messaging/method_channel.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableValue;
using Channel = flutter::MethodChannel<EncodableValue>;
using Result = std::unique_ptr<flutter::MethodResult<EncodableValue>>;

EncodableValue Outcome(EncodableList outcome, const EncodableValue* value) {
  outcome.push_back(value != nullptr ? *value : EncodableValue());
  return EncodableValue(std::move(outcome));
}

// UI thread only, but for the workers of "answerLater", which answer from their own threads.
struct TestHost {
  std::unique_ptr<flutter::FlutterViewController> controller;
  std::unique_ptr<Channel> channel, peer;
  std::vector<std::thread> workers;  // joined after the engine has gone

  void Handle(const flutter::MethodCall<EncodableValue>& call, Result result) {
    const std::string& method = call.method_name();
    const EncodableValue value = call.arguments() ? *call.arguments() : EncodableValue();
    const auto* number = std::get_if<int32_t>(&value);
    if (method == "echo") {
      result->Success(value);
    } else if (method == "answerLater") {  // answered, and destroyed, on a worker
      workers.emplace_back(
          [value, ms = number ? *number : 20, r = std::move(result)]() mutable noexcept {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            r->Success(value);
            r.reset();
          });
    } else if (method == "bytes" && number != nullptr && *number >= 0) {
      std::vector<uint8_t> bytes(static_cast<size_t>(*number));
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
      result->Success(EncodableValue(std::move(bytes)));
    } else if (method == "invokePeer") {  // [method, arguments]
      const auto* list = std::get_if<EncodableList>(&value);
      if (list == nullptr || list->size() != 2 ||
          !std::holds_alternative<std::string>(list->at(0))) {
        return result->Error("bad_args", "expected [method, arguments]");
      }
      // The peer's answer, whichever it is, becomes the success value of this call.
      std::shared_ptr<flutter::MethodResult<EncodableValue>> to(std::move(result));
      peer->InvokeMethod(
          std::get<std::string>(list->at(0)), std::make_unique<EncodableValue>(list->at(1)),
          std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
              [to](const EncodableValue* v) {
                to->Success(Outcome({EncodableValue("success")}, v));
              },
              [to](const std::string& code, const std::string& message, const EncodableValue* v) {
                to->Success(Outcome({EncodableValue(code), EncodableValue(message)}, v));
              },
              [to] { to->Success(EncodableValue("notImplemented")); }));
    } else if (method == "quit") {
      result->Success(EncodableValue(true));
      PostQuitMessage(0);
    } else {
      result->NotImplemented();
    }
  }
};

int Run() {
  flutter::EngineProject project;
  project.assets_path = u"data\\flutter_assets";
  project.icu_data_path = u"data\\icudtl.dat";
  project.aot_library_path = u"data\\app.so";
  TestHost host;
  host.controller = std::make_unique<flutter::FlutterViewController>(800, 600, project);
  if (!host.controller->engine() || !host.controller->view()) return 1;
  const auto* codec = &flutter::StandardMethodCodec::GetInstance();
  flutter::BinaryMessenger* messenger = host.controller->engine()->messenger();
  host.channel = std::make_unique<Channel>(messenger, "tesso.test/host", codec);
  host.peer = std::make_unique<Channel>(messenger, "tesso.test/peer", codec);
  host.channel->SetMethodCallHandler(
      [&host](const auto& call, Result result) { host.Handle(call, std::move(result)); });
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  host.channel->SetMethodCallHandler(nullptr);
  host.controller.reset();  // workers still answering find the messenger gone
  for (std::thread& worker : host.workers) worker.join();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return Run();
  } catch (...) {
    return 1;
  }
}
