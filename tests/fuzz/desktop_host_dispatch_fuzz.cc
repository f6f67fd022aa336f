// The desktop host's method dispatch behind fakes: with capture on, any method name and any
// argument bytes get exactly one answer, on the UI thread, once the worker's completions are
// delivered, within one message's budget.
#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop_host/desktop_host_channel.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/fuzz/fuzz_budget.h"
#include "tests/fuzz/fuzz_call.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using flutter::EncodableValue;
  std::istringstream names(
      "getPermissionState requestPermissionPrompts setCaptureEnabled captureScreen "
      "captureDiagnostics listDisplays switchDisplay performMouse performKeyPress typeText "
      "wakeDisplay resetPermissionDenied activateApp openScreenRecordingSettings "
      "openAccessibilitySettings");
  const std::vector<std::string> methods{std::istream_iterator<std::string>(names), {}};
  if (size == 0) return 0;
  tesso_test::SharedLog log;
  tesso_test::FakeCapture fake;
  auto poster = std::make_shared<tesso_test::FakeMessagePoster>();
  auto displays = std::make_shared<tesso_test::FakeDisplayPort>();
  displays->monitors = {tesso_test::Monitor(1, 0, 0, 1920, 1080, true)};
  tesso_test::DeferredReplyMessenger messenger;
  const auto service = tesso::DesktopHostChannel::Create(
      &messenger, static_cast<tesso::WindowHandle>(0xD0),
      {poster, std::make_shared<tesso_test::FakeWorkerStarter>(),
       std::make_shared<tesso_test::FakeComApartment>(&log, std::this_thread::get_id()),
       [&fake] { return std::move(fake.capture); }, displays,
       std::make_shared<tesso_test::FakeInputPort>(),
       std::make_shared<tesso_test::FakeSessionPort>(), displays});
  const EncodableValue on(flutter::EncodableMap{{EncodableValue("generation"), EncodableValue(0)},
                                                {EncodableValue("enabled"), EncodableValue(true)}});
  if (!service || messenger.Call(service->kChannelName, "setCaptureEnabled", &on) == 0) {
    std::abort();
  }
  const std::vector<uint8_t> message = tesso_fuzz::CallMessage(methods, data, size);
  tesso_fuzz::BudgetCheck check;
  const auto id = messenger.Deliver(service->kChannelName, message);
  if (!id) std::abort();
  // Plays the host window: one result message per task.
  for (size_t posts = 1; messenger.ResponseFor(*id).answers == 0; ++posts) {
    poster->WaitForPosts(posts);
    service->DrainCompletions();
  }
  const auto response = messenger.ResponseFor(*id);
  if (response.answers != 1 || response.thread != std::this_thread::get_id()) std::abort();
  return 0;
}
