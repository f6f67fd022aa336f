// The desktop host channel on fake ports with a capture engine over fakes: the method table
// and its argument readings, the capture protocol and errors, input replies, the full queue,
// and construction and destruction around the worker.
#include <atomic>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/desktop_host_channel.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_wake_ports.h"

namespace tesso_test {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using Args = std::optional<EncodableValue>;

const std::string kChannel = "com.vel.halvo/desktop_host";
const std::string kNull = "success null", kTrue = "success true", kFalse = "success false";

EncodableValue Map(std::initializer_list<std::pair<const char*, EncodableValue>> entries) {
  EncodableMap map;
  for (const auto& [key, value] : entries) map[EncodableValue(key)] = value;
  return EncodableValue(map);
}
EncodableValue Generation(EncodableValue g) { return Map({{"generation", g}}); }
EncodableValue On(EncodableValue g) { return Map({{"generation", g}, {"enabled", true}}); }

// The diagnostics reply for "<enabled> <pending> <requests> <encoded> <backend>" (flags 0 or 1).
std::string Diagnostics(const std::string& spec) {
  std::istringstream in(spec);
  int enabled = 0, pending = 0;
  std::string requests, encoded, backend;
  in >> enabled >> pending >> requests >> encoded >> backend;
  auto flag = [](int on) { return on ? "true" : "false"; };
  return "success map:{str:\"backend\"=str:\"" + backend + "\",str:\"enabled\"=" + flag(enabled) +
         ",str:\"encoded\"=i64:" + encoded + ",str:\"pending\"=" + flag(pending) +
         ",str:\"requests\"=i64:" + requests + "}";
}

// The reply holding the fake JPEG of a width x height picture.
std::string Frame(int width, int height, const char* quality = "0.8 s3") {
  const std::string jpeg =
      "JPEG " + std::to_string(width) + "x" + std::to_string(height) + " q" + quality;
  return "success map:{str:\"bytes\"=bytes:" + ToHex({jpeg.begin(), jpeg.end()}) +
         ",str:\"height\"=i32:" + std::to_string(height) +
         ",str:\"sequence\"=i64:1,str:\"width\"=i32:" + std::to_string(width) + "}";
}

class DesktopHostChannelTest : public ::testing::Test {
 protected:
  void TearDown() override { Fresh(false); }
  // A new service on new fakes; none when its worker cannot start.
  void Fresh(bool create = true, bool refuse = false) {
    if (holding_) Release();
    service_.reset();
    release_ = {};
    running_ = {};
    posts_ = 0;
    fake_ = FakeCapture();
    poster_ = std::make_shared<FakeMessagePoster>();
    auto starter = std::make_shared<FakeWorkerStarter>();
    starter->fail = refuse;
    displays_->monitors = {Monitor(1, 0, 0, 1920, 1080, true), Monitor(2, 1920, 0, 1280, 1024)};
    if (!create) return;
    service_ =
        tesso::DesktopHostChannel::Create(&messenger_, static_cast<tesso::WindowHandle>(0xD0),
                                          {poster_, starter, com_,
                                           [this] {
                                             if (factory_failures_-- > 0) throw std::bad_alloc();
                                             return std::move(fake_.capture);
                                           },
                                           displays_, std::make_shared<FakeInputPort>(),
                                           std::make_shared<FakeSessionPort>(), displays_});
  }
  int Call(const std::string& method, Args arguments = std::nullopt) {
    return messenger_.Call(kChannel, method, arguments ? &*arguments : nullptr);
  }
  // Plays the host window: hands the service each result message until call `id` is answered.
  std::string Wait(int id) {
    while (messenger_.ReplyTo(id) == "none") {
      poster_->WaitForPosts(++posts_);
      service_->DrainCompletions();
    }
    return messenger_.ReplyTo(id);
  }
  std::string Reply(const std::string& method, Args arguments = std::nullopt) {
    return Wait(Call(method, std::move(arguments)));
  }
  // Holds the worker where it is called, until Release.
  std::function<void()> Holder() {
    holding_ = true;
    return [this, gate = release_.get_future().share()] {
      running_.set_value();
      gate.wait();
    };
  }
  void Release() {
    release_.set_value();
    holding_ = false;
  }
  // Runs `body` on the worker as a task of its own.
  void Post(std::function<void()> body, bool release = false) {
    ASSERT_TRUE(service_->PostTask(
        [body](tesso::ScreenCapture*) { return body(), tesso::DesktopHostChannel::Completion(); },
        release));
  }
  // A capture held inside its screen copy.
  int HoldCapture(EncodableValue arguments) {
    fake_.gdi->on_bitblt = Holder();
    const int id = Call("captureScreen", std::move(arguments));
    running_.get_future().wait();
    return id;
  }

  SharedLog log_;
  FakeCapture fake_;
  std::shared_ptr<FakeMessagePoster> poster_;
  std::shared_ptr<FakeComApartment> com_ =
      std::make_shared<FakeComApartment>(&log_, std::this_thread::get_id());
  std::shared_ptr<FakeDisplayPort> displays_ = std::make_shared<FakeDisplayPort>();

  DeferredReplyMessenger messenger_;
  bool holding_ = false;
  std::promise<void> release_, running_;
  size_t posts_ = 0;
  int factory_failures_ = 0;
  std::unique_ptr<tesso::DesktopHostChannel> service_;
};

TEST_F(DesktopHostChannelTest, TheWorkerRunsFromBeforeTheChannelIsBoundToAfterItIsCleared) {
  messenger_.on_handler_change = [this](const std::string& channel, bool set) {
    log_.Add(channel + (set ? " set" : " cleared"));
  };
  Fresh();
  EXPECT_THAT(log_.Lines(2),
              ::testing::UnorderedElementsAre("CoInitializeEx 0 worker", kChannel + " set"));
  service_.reset();
  EXPECT_THAT(log_.Lines(), ::testing::ElementsAre(::testing::_, ::testing::_,
                                                   kChannel + " cleared", "CoUninitialize worker"));
  Fresh(true, /*refuse=*/true);
  EXPECT_EQ(service_, nullptr);
  EXPECT_FALSE(messenger_.Deliver(kChannel, {}));
  EXPECT_EQ(log_.Lines().size(), 4u);
}

TEST_F(DesktopHostChannelTest, DestructionWaitsForARunningCaptureAndDropsItsReply) {
  Fresh();
  Reply("setCaptureEnabled", On(1));
  const int id = HoldCapture(Generation(1));
  messenger_.on_handler_change = [this](const std::string&, bool set) {
    if (set || !holding_) return;
    EXPECT_TRUE(poster_->Posted().empty());  // the capture is still running
    Release();
  };
  ::testing::internal::CaptureStderr();
  service_.reset();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Warning: Failed to respond to a message. This is a memory leak.\n");
  EXPECT_EQ(poster_->Posted().size(), 1u);  // joined after the capture had ended
  EXPECT_EQ(messenger_.ReplyTo(id), "none");
}

TEST_F(DesktopHostChannelTest, EachMethodAnswersOnceWhateverItsArguments) {
  const std::string granted =
      "success map:{str:\"accessibilityGranted\"=true,str:\"screenRecordingGranted\"=true}";
  const EncodableValue list(flutter::EncodableList{EncodableValue(1)});
  const struct {
    const char* method;
    Args arguments;
    std::string reply;
  } cases[] = {
      {"getPermissionState", std::nullopt, granted},
      {"requestPermissionPrompts", EncodableValue(3), granted},
      {"resetPermissionDenied", std::nullopt, kNull},
      {"activateApp", EncodableValue("now"), kNull},
      {"openAccessibilitySettings", EncodableValue(), kNull},
      {"captureDiagnostics", EncodableValue("x"), Diagnostics("0 0 0 0 none")},
      {"switchDisplay", list, kTrue},
      {"typeText", Map({{"text", EncodableValue("h\xC3\xA9")}}), kTrue},
      {"typeText", Map({{"text", EncodableValue("\xC3")}}), kFalse},
      {"performMouse", Map({{"kind", EncodableValue("click")}}), kFalse},
      {"wakeDisplay", list, kTrue},
      {"GetPermissionState", std::nullopt, "not implemented"},
      {"listDisplays ", std::nullopt, "not implemented"},
  };
  Fresh();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method);
    EXPECT_EQ(Reply(c.method, c.arguments), c.reply);
  }
  // The index is read as an integer of either width, saturated to 32 bits (out of range: the
  // first display); anything else is 0. Each display's "selected" flag in turn, t or f.
  const std::pair<EncodableValue, std::string> indexes[] = {
      {int64_t{0x100000001}, "tf"}, {1.0, "tf"}, {-7, "tf"}, {1, "ft"}};
  for (const auto& [index, expected] : indexes) {
    EXPECT_EQ(Reply("switchDisplay", Map({{"index", index}})), kTrue);
    const std::string displays = Reply("listDisplays"), key = "str:\"selected\"=";
    std::string selected;
    for (size_t at = displays.find(key); at != std::string::npos; at = displays.find(key, at + 1))
      selected += displays[at + key.size()];
    EXPECT_EQ(selected, expected) << displays;
  }
}

TEST_F(DesktopHostChannelTest, GenerationsTheSwitchAndTheArgumentsDecideWhatACaptureGets) {
  using State = tesso::InputDesktopState;
  const State kUser = State::NormalDesktop;
  auto off = [](int g, EncodableValue on = false) {
    return Map({{"generation", g}, {"enabled", on}});
  };
  auto args = [](int g, const char* key, EncodableValue value) {
    return Map({{"generation", g}, {key, value}});
  };
  const std::string none = "0 0 0 0 none", hit = "1 0 1 1 gdi", miss = "1 0 1 0 none";
  const std::string kLocked = "error SESSION_LOCKED workstation is locked null";
  const std::string kSecure = "error SECURE_DESKTOP a secure desktop owns the screen null";
  const struct {
    std::vector<EncodableValue> switches;  // "setCaptureEnabled" arguments, in order
    EncodableValue capture;
    State desktop;
    std::string reply;
    std::string diagnostics;
  } cases[] = {
      {{On(7), off(5)}, Generation(7), kUser, Frame(64, 48), hit},
      {{On(7), off(7), On(5)}, Generation(5), kUser, kNull, none},
      {{On(7), On(8)}, Generation(7), kUser, kNull, "1 0 0 0 none"},
      {{On(3), off(3, 1)}, Generation(3), kUser, kNull, none},
      {{EncodableValue()}, Generation(0), kUser, kNull, none},
      {{Map({{"enabled", true}})}, Map({}), kUser, kNull, "1 0 0 0 none"},
      {{On(1)}, args(1, "maxDimension", (int64_t{1} << 32) + 32), kUser, Frame(64, 48), hit},
      {{On(1)}, args(1, "maxDimension", 32.0), kUser, Frame(64, 48), hit},
      {{On(1)}, args(1, "quality", 1), kUser, Frame(64, 48, "1 s3"), hit},
      {{On(1)}, Generation(1), State::SessionLocked, kLocked, miss},
      {{On(1)}, Generation(1), State::SecureDesktop, kSecure, miss},
      {{On(1)}, args(1, "maxDimension", -1), kUser, "error CAPTURE_FAILED  null", miss},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.capture));
    Fresh();
    fake_.SetDesktop(c.desktop);
    if (c.reply.find("FAILED") != std::string::npos) fake_.gdi->fail["GetDC"] = {-1};
    for (const EncodableValue& arguments : c.switches) {
      EXPECT_EQ(Reply("setCaptureEnabled", arguments), kNull);
    }
    EXPECT_EQ(Reply("captureScreen", c.capture), c.reply);
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(c.diagnostics));
  }
}

TEST_F(DesktopHostChannelTest, OneCaptureInFlightKeepsItsDisplayAndAStaleOneIsAnsweredNull) {
  const struct {
    const char* method;
    EncodableValue arguments;  // while the capture runs
    std::string reply;
    const char* diagnostics;  // after it
  } cases[] = {
      {"switchDisplay", Map({{"index", 1}}), Frame(64, 48), "1 0 1 1 gdi"},
      {"setCaptureEnabled", On(8), kNull, "1 0 1 0 gdi"},
      {"setCaptureEnabled", Generation(7), kNull, "0 0 1 0 gdi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Describe(c.arguments));
    Fresh();
    fake_.display->monitors.push_back(Monitor(kFakeMonitor + 1, 64, 0, 32, 16));
    fake_.gdi->screen = Pixels(96 * 48 * 4, 1);
    fake_.gdi->width = 96;
    Reply("setCaptureEnabled", On(7));
    const int first = HoldCapture(Generation(7));
    EXPECT_EQ(Reply("captureScreen", Generation(7)), kNull);
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics("1 1 1 0 none"));
    Reply(c.method, c.arguments);
    Release();
    EXPECT_EQ(Wait(first), c.reply);
    EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics(c.diagnostics));
    // Switching off released the encoder's objects, which a capture keeps otherwise.
    const bool off = c.diagnostics[0] == '0';
    poster_->WaitForPosts(off ? 2 : 1);
    EXPECT_EQ(fake_.encoder->held, !off);
  }
}

TEST_F(DesktopHostChannelTest, FinishedWorkIsDeliveredFirstThingInTheNextCall) {
  Fresh();
  Reply("setCaptureEnabled", On(1));
  const int capture = Call("captureScreen", Generation(1));
  poster_->WaitForPosts(1);  // the host window has not handed the message over
  EXPECT_EQ(messenger_.ReplyTo(capture), "none");
  const int typed = Call("typeText", Map({{"text", "a"}}));
  EXPECT_EQ(messenger_.ReplyTo(capture), Frame(64, 48));
  poster_->WaitForPosts(2);
  Call("captureDiagnostics");
  EXPECT_EQ(messenger_.ReplyTo(typed), kTrue);
}

TEST_F(DesktopHostChannelTest, AFullQueueRefusesInputAndCaptureAtOnceButNotTheOneRelease) {
  Fresh();
  Reply("setCaptureEnabled", On(1));
  auto hold = [this] {
    release_ = {};
    running_ = {};
    Post(Holder());
    running_.get_future().wait();
  };
  hold();
  // Off again and again: one release waits, outside the 32 places of the other tasks.
  for (int i = 0; i < 3; ++i) Reply("setCaptureEnabled", Generation(1));
  Reply("setCaptureEnabled", On(2));
  std::vector<int> waiting;
  for (int i = 0; i < 32; ++i) waiting.push_back(Call("wakeDisplay"));
  EXPECT_EQ(messenger_.ReplyTo(Call("typeText", Map({{"text", "a"}}))), kFalse);
  EXPECT_EQ(messenger_.ReplyTo(Call("performMouse", Map({{"kind", "scroll"}}))), kFalse);
  EXPECT_EQ(messenger_.ReplyTo(Call("captureScreen", Generation(2))), kNull);
  EXPECT_EQ(Reply("captureDiagnostics"), Diagnostics("1 0 1 0 none"));
  Release();
  poster_->WaitForPosts(1 + 1 + 32);
  service_->DrainCompletions();
  for (const int id : waiting) EXPECT_EQ(messenger_.ReplyTo(id), kTrue);
  // A capture queued behind the waiting release, then off again: it releases after itself.
  hold();
  Reply("setCaptureEnabled", Generation(2));
  Reply("setCaptureEnabled", On(3));
  const int capture = Call("captureScreen", Generation(3));
  Reply("setCaptureEnabled", Generation(3));
  Release();
  posts_ = 34;
  EXPECT_EQ(Wait(capture), kNull);
  EXPECT_EQ(Reply("wakeDisplay"), kTrue);
  EXPECT_EQ(poster_->Posted().size(), 34u + 4);
  EXPECT_FALSE(fake_.encoder->held);
}

// Allocations of the threads that count, failing one at a time: while g_fail_in is not
// negative, the allocation that finds it 0 throws.
std::atomic<int64_t> g_fail_in{-1};
thread_local bool t_counting = false;

TEST_F(DesktopHostChannelTest, EveryCallIsAnsweredOnceWhereverMemoryRunsOutOrNoEngineIsMade) {
  const std::string failed = "error CAPTURE_FAILED  null";
  // Fails the n-th allocation of the worker and of one drain, until the calls make fewer. The
  // capture runs without an engine: the fakes behind one allocate in destructors.
  int64_t n = 0;
  for (bool fired = true; fired; ++n) {
    SCOPED_TRACE(n);
    factory_failures_ = 1 << 30;
    Fresh();
    Reply("setCaptureEnabled", On(1));
    Post([] { t_counting = true; });
    g_fail_in = n;
    const int ids[] = {Call("captureScreen", Generation(1)), Call("typeText", Map({{"text", "a"}})),
                       Call("performMouse", Map({{"kind", "scroll"}, {"amount", 1}})),
                       Call("wakeDisplay")};
    Call("setCaptureEnabled", Generation(1));
    std::promise<void> done;
    Post([&done] { done.set_value(); }, true);
    done.get_future().wait();
    t_counting = true;
    service_->DrainCompletions();
    t_counting = false;
    fired = g_fail_in.exchange(-1) < 0;
    for (const int id : ids) EXPECT_EQ(messenger_.ResponseFor(id).answers, 1) << id;
    EXPECT_THAT(Reply("captureDiagnostics"), ::testing::HasSubstr("\"pending\"=false"));
  }
  EXPECT_GT(n, 20);
  // The engine cannot be made at the start, nor once more for the first task.
  for (const auto& [failures, reply] : {std::make_pair(1, Frame(64, 48)), {2, failed}}) {
    factory_failures_ = failures;
    Fresh();
    Reply("setCaptureEnabled", On(1));
    EXPECT_EQ(Reply("captureScreen", Generation(1)), reply);
    EXPECT_EQ(Reply("typeText", Map({{"text", "a"}})), kTrue);
  }
}

}  // namespace
}  // namespace tesso_test

// The allocator of this test program, with the fault above.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  if (tesso_test::t_counting && tesso_test::g_fail_in.load() >= 0 &&
      tesso_test::g_fail_in.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
