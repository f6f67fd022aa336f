// The desktop host's method dispatch behind fake ports: with capture on, any method name and
// any argument bytes get exactly one answer, on the UI thread, once the worker's completions
// are delivered, within one message's budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "desktop_host/desktop_host_channel.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_com_apartment.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/fakes/shared_log.h"
#include "tests/fuzz/fuzz_budget.h"
#include "tests/fuzz/fuzz_call.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

std::vector<uint8_t> SwitchOnMessage() {
  flutter::MethodCall<EncodableValue> call(
      "setCaptureEnabled", std::make_unique<EncodableValue>(
                               EncodableMap{{EncodableValue("generation"), EncodableValue(0)},
                                            {EncodableValue("enabled"), EncodableValue(true)}}));
  return *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<std::string> kMethods = {"getPermissionState",
                                                    "requestPermissionPrompts",
                                                    "setCaptureEnabled",
                                                    "captureScreen",
                                                    "captureDiagnostics",
                                                    "listDisplays",
                                                    "switchDisplay",
                                                    "performMouse",
                                                    "performKeyPress",
                                                    "typeText",
                                                    "wakeDisplay",
                                                    "resetPermissionDenied",
                                                    "activateApp",
                                                    "openScreenRecordingSettings",
                                                    "openAccessibilitySettings"};
  if (size == 0) return 0;
  tesso_test::SharedLog log;
  tesso_test::FakeCapture fake = tesso_test::MakeFakeCapture();
  auto poster = std::make_shared<tesso_test::FakeMessagePoster>();
  auto displays = std::make_shared<tesso_test::FakeDisplayPort>();
  displays->monitors = {tesso_test::Monitor(1, 0, 0, 1920, 1080, true)};
  auto input_displays = std::make_shared<tesso_test::FakeDisplayPort>();
  input_displays->monitors = displays->monitors;
  tesso::DesktopHostPorts ports;
  ports.poster = poster;
  ports.worker_starter = std::make_shared<tesso_test::FakeWorkerStarter>();
  ports.com = std::make_shared<tesso_test::FakeComApartment>(&log, std::this_thread::get_id());
  ports.make_capture = [&fake] { return std::move(fake.capture); };
  ports.displays = displays;
  ports.input = std::make_shared<tesso_test::FakeInputPort>();
  ports.input_session = std::make_shared<tesso_test::FakeSessionPort>();
  ports.input_displays = input_displays;
  tesso_test::DeferredReplyMessenger messenger;
  auto service =
      tesso::DesktopHostChannel::Create(&messenger, static_cast<tesso::WindowHandle>(0xD0), ports);
  if (!service) std::abort();
  if (!messenger.Deliver(tesso::DesktopHostChannel::kChannelName, SwitchOnMessage())) std::abort();

  const std::vector<uint8_t> message = tesso_fuzz::CallMessage(kMethods, data, size);
  tesso_fuzz::BudgetCheck check;
  const auto id = messenger.Deliver(tesso::DesktopHostChannel::kChannelName, message);
  if (!id) std::abort();
  // Plays the host window: one result message per task, the switch-on's release task none.
  for (size_t posts = 1; messenger.ResponseFor(*id).answers == 0; ++posts) {
    poster->WaitForPosts(posts);
    service->DrainCompletions();
  }
  const auto response = messenger.ResponseFor(*id);
  if (response.answers != 1 || response.thread != std::this_thread::get_id()) std::abort();
  return 0;
}
