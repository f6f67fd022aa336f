// The desktop host channel on fake ports, a capture engine over fake ports and a fake input
// port: the method table, the capture protocol (generations, the enabled switch, one capture in
// flight, stale completions), the frame map and the capture errors, the display selection, the
// input replies, the full queue, and construction and destruction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "desktop_host/desktop_host_channel.h"
#include "input/pointer_injection.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_com_apartment.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/fakes/shared_log.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using tesso::DesktopHostChannel;
using testing::ElementsAre;
using testing::Pair;

constexpr char kChannel[] = "com.vel.halvo/desktop_host";
const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";
const std::string kNull = "success null";
const std::string kTrue = "success true";
const std::string kFalse = "success false";
const std::string kNotImplemented = "not implemented";

EncodableValue Map(std::initializer_list<std::pair<const char*, EncodableValue>> entries) {
  EncodableMap map;
  for (const auto& [key, value] : entries) map[EncodableValue(key)] = value;
  return EncodableValue(map);
}

// The arguments {"generation": g}.
EncodableValue Generation(int32_t g) { return Map({{"generation", EncodableValue(g)}}); }

// The diagnostics reply for these values.
std::string Diagnostics(bool enabled, bool pending, int64_t requests, int64_t encoded,
                        const char* backend) {
  return std::string("success map:{str:\"backend\"=str:\"") + backend +
         "\",str:\"enabled\"=" + (enabled ? "true" : "false") +
         ",str:\"encoded\"=i64:" + std::to_string(encoded) +
         ",str:\"pending\"=" + (pending ? "true" : "false") +
         ",str:\"requests\"=i64:" + std::to_string(requests) + "}";
}

class DesktopHostChannelTest : public testing::Test {
 protected:
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0xD0);

  void SetUp() override { MakeFakes(); }
  void TearDown() override {
    capture_gate_->Open();
    service_.reset();
  }

  // Fresh fakes, and no service.
  void MakeFakes() {
    service_.reset();
    capture_running_ = std::make_unique<Gate>();
    capture_gate_ = std::make_unique<Gate>();
    fake_ = MakeFakeCapture();
    poster_ = std::make_shared<FakeMessagePoster>();
    starter_ = std::make_shared<FakeWorkerStarter>();
    com_ = std::make_shared<FakeComApartment>(&log_, std::this_thread::get_id());
    displays_ = std::make_shared<FakeDisplayPort>();
    displays_->monitors = {Monitor(1, 0, 0, 1920, 1080, true), Monitor(2, 1920, 0, 1280, 1024)};
    input_ = std::make_shared<FakeInputPort>();
    input_session_ = std::make_shared<FakeSessionPort>();
    input_displays_ = std::make_shared<FakeDisplayPort>();
    input_displays_->monitors = {Monitor(1, 0, 0, 1920, 1080, true)};
    posts_ = 0;
  }

  void Create() {
    tesso::DesktopHostPorts ports;
    ports.poster = poster_;
    ports.worker_starter = starter_;
    ports.com = com_;
    // Made here and handed over on the worker; the test keeps the fakes' addresses.
    ports.make_capture = [this] { return std::move(fake_.capture); };
    ports.displays = displays_;
    ports.input = input_;
    ports.input_session = input_session_;
    ports.input_displays = input_displays_;
    service_ = DesktopHostChannel::Create(&messenger_, kWindow, ports);
  }

  void Restart() {
    MakeFakes();
    Create();
  }

  // Calls a method as the user interface does; the id of its response.
  int Call(const std::string& method, std::optional<EncodableValue> arguments = std::nullopt) {
    flutter::MethodCall<EncodableValue> call(
        method, arguments ? std::make_unique<EncodableValue>(*arguments) : nullptr);
    const auto id = messenger_.Deliver(
        kChannel, *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call));
    EXPECT_TRUE(id.has_value());
    return id.value_or(0);
  }

  // "none" before an answer; "success <value>", "error <code> \"<message>\" <details>" or
  // "not implemented" after one. A second answer or one from another thread is marked.
  std::string ReplyTo(int id) const {
    const DeferredReplyMessenger::Response response = messenger_.ResponseFor(id);
    if (response.answers == 0) return "none";
    std::string reply;
    if (response.bytes.empty()) {
      reply = kNotImplemented;
    } else {
      flutter::MethodResultFunctions<EncodableValue> decoder(
          [&reply](const EncodableValue* value) {
            reply = "success " + (value == nullptr ? std::string("null") : Describe(*value));
          },
          [&reply](const std::string& code, const std::string& message,
                   const EncodableValue* details) {
            reply = "error " + code + " \"" + message + "\" " +
                    (details == nullptr ? std::string("null") : Describe(*details));
          },
          [&reply] { reply = kNotImplemented; });
      EXPECT_TRUE(flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
          response.bytes.data(), response.bytes.size(), &decoder));
    }
    if (response.answers != 1) reply += " (answered " + std::to_string(response.answers) + "x)";
    if (response.thread != std::this_thread::get_id()) reply += " (from another thread)";
    return reply;
  }

  std::string Reply(const std::string& method,
                    std::optional<EncodableValue> arguments = std::nullopt) {
    return ReplyTo(Call(method, std::move(arguments)));
  }

  // "setCaptureEnabled" with `generation` and "enabled" true.
  void SwitchOn(int32_t generation) {
    EXPECT_EQ(Reply("setCaptureEnabled", Map({{"generation", EncodableValue(generation)},
                                              {"enabled", EncodableValue(true)}})),
              kNull);
  }

  // Plays the host window: hands it each result message as it comes until call `id` has its
  // answer.
  void DeliverUntilAnswered(int id) {
    while (ReplyTo(id) == "none") {
      poster_->WaitForPosts(++posts_);
      service_->DrainCompletions();
    }
  }

  // The reply of a capture that the worker carries out to its end.
  std::string Capture(EncodableValue arguments) {
    const int id = Call("captureScreen", std::move(arguments));
    DeliverUntilAnswered(id);
    return ReplyTo(id);
  }

  // Holds the next capture inside its screen copy until capture_gate_ opens.
  void HoldCapture() {
    fake_.gdi->on_bitblt = [this] {
      capture_running_->Open();
      capture_gate_->Wait();
    };
  }

  // What the capture engine was asked to encode for the frame in `reply`.
  static FakeJpeg JpegOf(const std::string& reply) {
    FakeJpeg jpeg;
    const std::string prefix = "success map:{str:\"bytes\"=bytes:";
    EXPECT_EQ(reply.rfind(prefix, 0), 0u) << reply;
    if (reply.rfind(prefix, 0) != 0) return jpeg;
    const std::string hex = reply.substr(prefix.size(), reply.find(',') - prefix.size());
    EXPECT_TRUE(ParseFakeJpeg(FromHex(hex), &jpeg)) << reply;
    return jpeg;
  }

  SharedLog log_;
  // Fresh for each service.
  std::unique_ptr<Gate> capture_running_;
  std::unique_ptr<Gate> capture_gate_;
  FakeCapture fake_;
  std::shared_ptr<FakeMessagePoster> poster_;
  std::shared_ptr<FakeWorkerStarter> starter_;
  std::shared_ptr<FakeComApartment> com_;
  std::shared_ptr<FakeDisplayPort> displays_;
  std::shared_ptr<FakeInputPort> input_;
  std::shared_ptr<FakeSessionPort> input_session_;
  std::shared_ptr<FakeDisplayPort> input_displays_;
  DeferredReplyMessenger messenger_;
  size_t posts_ = 0;
  std::unique_ptr<DesktopHostChannel> service_;
};

// --- Construction and destruction ---

TEST_F(DesktopHostChannelTest, TheWorkerStartsInTheApartmentBeforeTheChannelAndStopsAfterIt) {
  messenger_.on_handler_change = [this](const std::string& channel, bool set) {
    log_.Add(channel + (set ? " set" : " cleared"));
  };
  Create();
  ASSERT_NE(service_, nullptr);
  // The worker is started before the channel is bound; it may join the apartment later.
  log_.WaitForLines(2);
  EXPECT_THAT(log_.Lines(), testing::UnorderedElementsAre("CoInitializeEx 0 worker",
                                                          std::string(kChannel) + " set"));
  EXPECT_EQ(starter_->started, 1);
  service_.reset();
  const std::vector<std::string> lines = log_.Lines();
  EXPECT_THAT(std::vector<std::string>(lines.begin() + 2, lines.end()),
              ElementsAre(std::string(kChannel) + " cleared", "CoUninitialize worker"));
}

TEST_F(DesktopHostChannelTest, WithoutAWorkerThereIsNoServiceAndNoChannel) {
  starter_->fail = true;
  Create();
  EXPECT_EQ(service_, nullptr);
  EXPECT_EQ(starter_->attempts, 1);
  EXPECT_TRUE(messenger_.handler_changes.empty());
  EXPECT_TRUE(log_.Lines().empty());
}

TEST_F(DesktopHostChannelTest, DestructionWhileACaptureRunsWaitsForItAndDropsItsReply) {
  Create();
  SwitchOn(1);
  HoldCapture();
  const int id = Call("captureScreen", Generation(1));
  capture_running_->Wait();
  // The capture may finish only once destruction has begun.
  bool cleared_while_capturing = false;
  messenger_.on_handler_change = [this, &cleared_while_capturing](const std::string&, bool set) {
    if (set) return;
    cleared_while_capturing = poster_->Posted().empty();
    capture_gate_->Open();
  };
  testing::internal::CaptureStderr();
  service_.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kLeak);
  EXPECT_TRUE(cleared_while_capturing);
  // The worker was joined after the capture had finished and announced itself.
  EXPECT_EQ(poster_->Posted().size(), 1u);
  EXPECT_EQ(ReplyTo(id), "none");
}

// --- The method table ---

TEST_F(DesktopHostChannelTest, MethodsThatOnlyReplyAndNamesThatAreNotMethods) {
  const std::string granted =
      "success map:{str:\"accessibilityGranted\"=true,str:\"screenRecordingGranted\"=true}";
  const struct {
    const char* method;
    std::optional<EncodableValue> arguments;
    std::string reply;
  } cases[] = {
      {"getPermissionState", std::nullopt, granted},
      {"getPermissionState", EncodableValue(int32_t{3}), granted},
      {"requestPermissionPrompts", Map({{"screenRecording", EncodableValue(false)}}), granted},
      {"resetPermissionDenied", std::nullopt, kNull},
      {"activateApp", EncodableValue("now"), kNull},
      {"openScreenRecordingSettings", std::nullopt, kNull},
      {"openAccessibilitySettings", EncodableValue(), kNull},
      {"switchDisplay", EncodableValue(EncodableList{EncodableValue(1)}), kTrue},
      {"GetPermissionState", std::nullopt, kNotImplemented},
      {"capturescreen", std::nullopt, kNotImplemented},
      {"CaptureScreen", std::nullopt, kNotImplemented},
      {"setcaptureenabled", std::nullopt, kNotImplemented},
      {"typetext", Map({{"text", EncodableValue("a")}}), kNotImplemented},
      {"WakeDisplay", std::nullopt, kNotImplemented},
      {"listDisplays ", std::nullopt, kNotImplemented},
      {"openSettings", std::nullopt, kNotImplemented},
      {"", std::nullopt, kNotImplemented},
  };
  Create();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    EXPECT_EQ(Reply(c.method, c.arguments), c.reply);
  }
  // Nothing went to the worker, and the capture state is untouched.
  EXPECT_EQ(Reply("captureDiagnostics", EncodableValue("x")),
            Diagnostics(false, false, 0, 0, "none"));
  EXPECT_TRUE(poster_->Posted().empty());
}

TEST_F(DesktopHostChannelTest, ListDisplaysMarksTheIndexThatSwitchDisplayRead) {
  // The positions of the displays marked selected in a "listDisplays" reply.
  auto selected = [this] {
    const std::string reply = Reply("listDisplays", EncodableValue(int32_t{0}));
    const std::string mark = "str:\"selected\"=true";
    std::string positions;
    for (size_t at = reply.find(mark); at != std::string::npos; at = reply.find(mark, at + 1)) {
      positions += at < reply.find("str:\"index\"=i32:1") ? "0" : "1";
    }
    return positions;
  };
  const struct {
    std::optional<EncodableValue> index;
    const char* selected;
  } cases[] = {
      {EncodableValue(int32_t{1}), "1"},
      {EncodableValue(int64_t{1}), "1"},
      {EncodableValue((int64_t{1} << 32) + 1), "1"},  // the low 32 bits
      {EncodableValue(1.0), "0"},                     // not an integer: 0
      {EncodableValue("1"), "0"},
      {std::nullopt, "0"},
      {EncodableValue(int32_t{-1}), "0"},  // kept, and read as the first display
      {EncodableValue(int32_t{2}), "0"},
  };
  Create();
  EXPECT_EQ(selected(), "0");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index ? Describe(*c.index) : "missing");
    EXPECT_EQ(Reply("switchDisplay", c.index ? Map({{"index", *c.index}}) : Map({})), kTrue);
    EXPECT_EQ(selected(), c.selected);
  }
}

// --- The capture protocol ---

TEST_F(DesktopHostChannelTest, GenerationsAndTheEnabledFlagDecideWhichCapturesAreTaken) {
  // "setCaptureEnabled" arguments: generation `g`, and "enabled" when given.
  auto set = [](EncodableValue g, std::optional<EncodableValue> enabled = std::nullopt) {
    EncodableValue arguments = Map({{"generation", g}});
    if (enabled) std::get<EncodableMap>(arguments)[EncodableValue("enabled")] = *enabled;
    return arguments;
  };
  const EncodableValue on(true);
  const EncodableValue big(int64_t{1} << 40);
  const struct {
    const char* name;
    std::vector<EncodableValue> switches;  // "setCaptureEnabled" arguments, in order
    EncodableValue probe;                  // the "generation" of a "captureScreen" after them
    bool enabled;
    bool taken;
  } cases[] = {
      {"an older generation changes nothing", {set(7, on), set(5)}, EncodableValue(7), true, true},
      {"nor switches on", {set(7, on), set(7), set(5, on)}, EncodableValue(5), false, false},
      {"an equal generation is taken",
       {set(7, on), set(7, false)},
       EncodableValue(7),
       false,
       false},
      {"a newer one too", {set(7, on), set(big, on)}, big, true, true},
      {"a capture of an older generation",
       {set(7, on), set(8, on)},
       EncodableValue(7),
       true,
       false},
      {"enabled as the integer 1 is off", {set(3, on), set(3, 1)}, EncodableValue(3), false, false},
      {"a double generation reads as 0", {set(2.0, on)}, EncodableValue(0), true, true},
      {"no arguments: generation 0, off", {EncodableValue()}, EncodableValue(0), false, false},
      {"a negative generation is ignored", {set(-1, on)}, EncodableValue(-1), false, false},
      {"a capture without a generation", {Map({{"enabled", on}})}, EncodableValue(), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    for (const EncodableValue& arguments : c.switches) {
      EXPECT_EQ(Reply("setCaptureEnabled", arguments), kNull);
    }
    const std::string reply = Capture(c.probe.IsNull() ? Map({}) : Map({{"generation", c.probe}}));
    EXPECT_EQ(reply.rfind(c.taken ? "success map:" : kNull, 0), 0u) << reply;
    EXPECT_EQ(Reply("captureDiagnostics"),
              Diagnostics(c.enabled, false, c.taken, c.taken, c.taken ? "gdi" : "none"));
  }
}

TEST_F(DesktopHostChannelTest, ADeliveredFrameIsTheWholeJpegWithItsSizeAndSequence) {
  Create();
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(false, false, 0, 0, "none"));
  SwitchOn(4);
  const int id = Call("captureScreen", Map({{"generation", EncodableValue(int64_t{4})}}));
  EXPECT_EQ(ReplyTo(id), "none");  // the worker never answers
  DeliverUntilAnswered(id);
  const std::string reply = ReplyTo(id);
  const FakeJpeg jpeg = JpegOf(reply);
  EXPECT_EQ(jpeg.width, 64u);
  EXPECT_EQ(jpeg.height, 48u);
  EXPECT_FLOAT_EQ(jpeg.quality, 0.8f);
  // The bytes as a byte list, the size as int32s, the sequence as an int64.
  EXPECT_THAT(reply, testing::EndsWith(",str:\"height\"=i32:48,str:\"sequence\"=i64:1,"
                                       "str:\"width\"=i32:64}"));
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, false, 1, 1, "gdi"));

  // An unchanged screen: the same JPEG and sequence again.
  const std::string again = Capture(Generation(4));
  EXPECT_EQ(again, reply);
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, false, 2, 2, "gdi"));
}

TEST_F(DesktopHostChannelTest, MaxDimensionAndQualityAreReadAsTheirTypesAllow) {
  const struct {
    const char* name;
    std::optional<EncodableValue> max_dimension;
    std::optional<EncodableValue> quality;
    uint32_t width;
    uint32_t height;
    float jpeg_quality;
  } cases[] = {
      {"defaults", std::nullopt, std::nullopt, 64, 48, 0.8f},
      {"int32 maxDimension", EncodableValue(32), std::nullopt, 32, 24, 0.8f},
      {"int64 maxDimension", EncodableValue(int64_t{16}), std::nullopt, 16, 12, 0.8f},
      {"its low 32 bits", EncodableValue((int64_t{1} << 32) + 32), std::nullopt, 32, 24, 0.8f},
      {"double maxDimension: 1920", EncodableValue(32.0), std::nullopt, 64, 48, 0.8f},
      {"string maxDimension: 1920", EncodableValue("32"), std::nullopt, 64, 48, 0.8f},
      {"quality as the integer 1", std::nullopt, EncodableValue(1), 64, 48, 1.0f},
      {"quality as an int64", std::nullopt, EncodableValue(int64_t{1}), 64, 48, 1.0f},
      {"quality as a double", std::nullopt, EncodableValue(0.5), 64, 48, 0.5f},
      {"quality as a string: 0.8", std::nullopt, EncodableValue("0.5"), 64, 48, 0.8f},
      {"quality as a bool: 0.8", std::nullopt, EncodableValue(true), 64, 48, 0.8f},
  };
  Create();
  SwitchOn(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EncodableValue arguments = Generation(1);
    auto& map = std::get<EncodableMap>(arguments);
    if (c.max_dimension) map[EncodableValue("maxDimension")] = *c.max_dimension;
    if (c.quality) map[EncodableValue("quality")] = *c.quality;
    const FakeJpeg jpeg = JpegOf(Capture(arguments));
    EXPECT_EQ(jpeg.width, c.width);
    EXPECT_EQ(jpeg.height, c.height);
    EXPECT_FLOAT_EQ(jpeg.quality, c.jpeg_quality);
  }
}

TEST_F(DesktopHostChannelTest, CaptureFailuresAreTheirErrorsWithNullDetails) {
  const struct {
    const char* name;
    tesso::InputDesktopState desktop;
    bool copy_fails;
    std::string reply;
    const char* backend;
  } cases[] = {
      {"locked", tesso::InputDesktopState::SessionLocked, false,
       "error SESSION_LOCKED \"workstation is locked\" null", "none"},
      {"secure desktop", tesso::InputDesktopState::SecureDesktop, false,
       "error SECURE_DESKTOP \"a secure desktop owns the screen\" null", "none"},
      {"no picture", tesso::InputDesktopState::NormalDesktop, true,
       "error CAPTURE_FAILED \"\" null", "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    SetDesktopState(fake_.session, c.desktop);
    fake_.gdi->bitblt_fails = c.copy_fails;
    SwitchOn(9);
    EXPECT_EQ(Capture(Generation(9)), c.reply);
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, false, 1, 0, c.backend));
  }
}

TEST_F(DesktopHostChannelTest, OneCaptureInFlightAndAStaleOneIsAnsweredNull) {
  const struct {
    const char* name;
    EncodableValue change;  // "setCaptureEnabled" while the capture runs
    size_t tasks;           // the capture, and a release when capture went off
    bool enabled;
  } cases[] = {
      {"a newer generation",
       Map({{"generation", EncodableValue(8)}, {"enabled", EncodableValue(true)}}), 1, true},
      {"capture switched off", Generation(7), 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    SwitchOn(7);
    HoldCapture();
    const int first = Call("captureScreen", Generation(7));
    capture_running_->Wait();
    // In flight: a second request is answered at once and not counted.
    EXPECT_EQ(Reply("captureScreen", Generation(7)), kNull);
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, true, 1, 0, "none"));
    EXPECT_EQ(Reply("setCaptureEnabled", c.change), kNull);
    EXPECT_EQ(ReplyTo(first), "none");
    capture_gate_->Open();
    DeliverUntilAnswered(first);
    EXPECT_EQ(ReplyTo(first), kNull);
    poster_->WaitForPosts(c.tasks);
    // The capture ran to its end: its backend shows although its frame was dropped.
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(c.enabled, false, 1, 0, "gdi"));
    // Switching off released the engine's imaging factory, which a capture keeps otherwise.
    EXPECT_EQ(fake_.jpeg->held().empty(), !c.enabled);
  }
}

TEST_F(DesktopHostChannelTest, ACaptureKeepsTheDisplaySelectedWhenItWasAsked) {
  fake_.display->monitors.push_back(Monitor(kFakeMonitor + 1, 64, 0, 32, 16));
  fake_.gdi->SetScreen(0, 0, 96, 48, 1);
  Create();
  SwitchOn(1);
  HoldCapture();
  const int id = Call("captureScreen", Generation(1));
  capture_running_->Wait();
  EXPECT_EQ(Reply("switchDisplay", Map({{"index", EncodableValue(1)}})), kTrue);
  capture_gate_->Open();
  DeliverUntilAnswered(id);
  EXPECT_EQ(JpegOf(ReplyTo(id)).width, 64u);
  const FakeJpeg second = JpegOf(Capture(Generation(1)));
  EXPECT_EQ(second.width, 32u);
  EXPECT_EQ(second.height, 16u);
}

TEST_F(DesktopHostChannelTest, FinishedWorkIsDeliveredFirstThingInTheNextCall) {
  Create();
  SwitchOn(1);
  const int capture = Call("captureScreen", Generation(1));
  poster_->WaitForPosts(1);  // the host window has not handled the message
  EXPECT_EQ(ReplyTo(capture), "none");
  const int typed = Call("typeText", Map({{"text", EncodableValue("a")}}));
  EXPECT_EQ(JpegOf(ReplyTo(capture)).width, 64u);
  poster_->WaitForPosts(2);
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, false, 1, 1, "gdi"));
  EXPECT_EQ(ReplyTo(typed), kTrue);
  // The messages arrive late and find nothing.
  service_->DrainCompletions();
  service_->DrainCompletions();
  EXPECT_EQ(ReplyTo(typed), kTrue);
}

// --- Input ---

TEST_F(DesktopHostChannelTest, InputIsAnsweredWithTheJobsResultsInOrder) {
  const struct {
    const char* method;
    EncodableValue arguments;
    std::string reply;
  } cases[] = {
      {"typeText", Map({{"text", EncodableValue("h\xC3\xA9")}}), kTrue},
      {"performKeyPress", Map({{"keyCode", EncodableValue(65)}}), kTrue},
      {"wakeDisplay", EncodableValue(), kTrue},
      {"performMouse", Map({{"kind", EncodableValue("scroll")}}), kTrue},
      {"performMouse", Map({{"kind", EncodableValue("click")}, {"x", 0.5}, {"y", 0.5}}), kTrue},
      // Not valid UTF-8, or no text: the job answers false.
      {"typeText", Map({{"text", EncodableValue("\xC3")}}), kFalse},
      {"typeText", EncodableValue(int32_t{5}), kFalse},
      // Refused by the argument checks, at once.
      {"performMouse", Map({{"kind", EncodableValue("click")}}), kFalse},
      {"performKeyPress", EncodableValue(), kFalse},
  };
  Create();
  std::vector<int> ids;
  for (const auto& c : cases) ids.push_back(Call(c.method, c.arguments));
  for (size_t i = 0; i < ids.size(); ++i) {
    SCOPED_TRACE(std::string(cases[i].method) + " #" + std::to_string(i));
    DeliverUntilAnswered(ids[i]);
    EXPECT_EQ(ReplyTo(ids[i]), cases[i].reply);
  }
  EXPECT_FALSE(input_->calls.empty());
  // No input went through the capture engine's ports or the display list's.
  EXPECT_TRUE(displays_->calls.empty());
}

TEST_F(DesktopHostChannelTest, PointerInputGoesToTheSelectedDisplay) {
  input_displays_->monitors.push_back(Monitor(2, 1920, 0, 1280, 1024));
  // The virtual screen: SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN, SM_CXVIRTUALSCREEN and
  // SM_CYVIRTUALSCREEN.
  input_displays_->metrics = {{76, 0}, {77, 0}, {78, 3200}, {79, 1080}};
  Create();
  EXPECT_EQ(Reply("switchDisplay", Map({{"index", EncodableValue(1)}})), kTrue);
  const int id =
      Call("performMouse", Map({{"kind", EncodableValue("click")}, {"x", 0.5}, {"y", 0.5}}));
  DeliverUntilAnswered(id);
  EXPECT_EQ(ReplyTo(id), kTrue);
  tesso::AbsolutePoint centre;
  ASSERT_TRUE(tesso::MapToAbsolute({input_.get(), input_session_.get(), input_displays_.get()}, 1,
                                   0.5, 0.5, false, &centre));
  ASSERT_FALSE(input_->calls.empty());
  ASSERT_FALSE(input_->calls[0].records.empty());
  EXPECT_EQ(input_->calls[0].records[0].mouse.dx, centre.x);
  EXPECT_EQ(input_->calls[0].records[0].mouse.dy, centre.y);
}

TEST_F(DesktopHostChannelTest, AFullQueueRefusesInputAndCaptureAtOnceButNotTheRelease) {
  Create();
  SwitchOn(1);
  // The worker is held by one task; 32 input jobs wait behind it.
  ASSERT_TRUE(service_->PostTask(
      [this](tesso::ScreenCapture&) -> DesktopHostChannel::Completion {
        capture_running_->Open();
        capture_gate_->Wait();
        return nullptr;
      },
      false));
  capture_running_->Wait();
  std::vector<int> waiting;
  for (int i = 0; i < 32; ++i) waiting.push_back(Call("wakeDisplay"));

  const struct {
    const char* method;
    EncodableValue arguments;
    std::string reply;
  } refused[] = {
      {"performMouse", Map({{"kind", EncodableValue("scroll")}}), kFalse},
      {"performKeyPress", Map({{"keyCode", EncodableValue(65)}}), kFalse},
      {"typeText", Map({{"text", EncodableValue("a")}}), kFalse},
      {"wakeDisplay", EncodableValue(), kFalse},
      {"captureScreen", Generation(1), kNull},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.method);
    EXPECT_EQ(Reply(c.method, c.arguments), c.reply);
  }
  // The refused capture stays counted and is not pending.
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(true, false, 1, 0, "none"));
  // Switching off still queues the release (33 waiting).
  EXPECT_EQ(Reply("setCaptureEnabled", Generation(1)), kNull);

  capture_gate_->Open();
  poster_->WaitForPosts(1 + 32 + 1);
  service_->DrainCompletions();
  for (int id : waiting) EXPECT_EQ(ReplyTo(id), kTrue);
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(false, false, 1, 0, "none"));
}

}  // namespace
}  // namespace tesso_test
