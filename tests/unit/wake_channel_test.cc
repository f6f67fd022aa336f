// The wake service's channel protocol and its query worker, on fake ports: one query at a
// time, replies only from the UI thread after the completion message, busy replies, stray
// messages, a worker that cannot start, and destruction while a query runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_ip_helper_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/unit/value_description.h"
#include "wake/windows_wake_channel.h"

namespace tesso_test {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;
using testing::ElementsAre;
using testing::Pair;

constexpr char kChannel[] = "com.vel.halvo/windows_wake";
// The exact UTF-8 bytes of the two error messages.
const std::string kBusyMessage =
    "\xE6\xA3\x80\xE6\xB5\x8B\xE6\xAD\xA3\xE5\x9C\xA8\xE8\xBF\x9B\xE8\xA1\x8C";
const std::string kQueryMessage =
    "Windows \xE7\xBD\x91\xE5\x8D\xA1\xE6\x9F\xA5\xE8\xAF\xA2\xE5\xA4\xB1\xE8\xB4\xA5";
const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";

struct Reply {
  enum class Kind { kNone, kSuccess, kError, kNotImplemented };
  Kind kind = Kind::kNone;
  std::string value;  // Describe of the success value or of the error details
  std::string code;
  std::string message;
  int answers = 0;
  std::thread::id thread;
};

class WakeChannelTest : public testing::Test {
 protected:
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0xBEE);

  void SetUp() override {
    ports_.ip_helper = ip_helper_;
    ports_.poster = poster_;
    ports_.worker_starter = starter_;
    ports_.clock = clock_;
    ip_helper_->interfaces = {EthernetInterface(1, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
  }
  void TearDown() override {
    ip_helper_->Release();
    service_.reset();
  }

  void Create() {
    service_ = std::make_unique<tesso::WindowsWakeChannel>(&messenger_, kWindow, ports_);
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

  Reply ReplyTo(int id) const {
    const DeferredReplyMessenger::Response response = messenger_.ResponseFor(id);
    Reply reply;
    reply.answers = response.answers;
    reply.thread = response.thread;
    if (response.answers == 0) return reply;
    if (response.bytes.empty()) {
      reply.kind = Reply::Kind::kNotImplemented;
      return reply;
    }
    flutter::MethodResultFunctions<EncodableValue> decoder(
        [&reply](const EncodableValue* value) {
          reply.kind = Reply::Kind::kSuccess;
          reply.value = value == nullptr ? "none" : Describe(*value);
        },
        [&reply](const std::string& code, const std::string& message,
                 const EncodableValue* details) {
          reply.kind = Reply::Kind::kError;
          reply.code = code;
          reply.message = message;
          // Null details arrive as none: the two are one on the wire.
          reply.value = details == nullptr ? "null" : Describe(*details);
        },
        [&reply] { reply.kind = Reply::Kind::kNotImplemented; });
    EXPECT_TRUE(flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
        response.bytes.data(), response.bytes.size(), &decoder));
    return reply;
  }

  // Plays the host window: waits for the worker's message, then hands it to the service.
  void DeliverWhenPosted(size_t posts = 1) {
    poster_->WaitForPosts(posts);
    service_->DeliverAdapterResult();
  }

  std::shared_ptr<FakeIpHelperPort> ip_helper_ = std::make_shared<FakeIpHelperPort>();
  std::shared_ptr<FakeMessagePoster> poster_ = std::make_shared<FakeMessagePoster>();
  std::shared_ptr<FakeWorkerStarter> starter_ = std::make_shared<FakeWorkerStarter>();
  std::shared_ptr<FakeSteadyClock> clock_ = std::make_shared<FakeSteadyClock>();
  tesso::WakePorts ports_;
  DeferredReplyMessenger messenger_;
  std::unique_ptr<tesso::WindowsWakeChannel> service_;
};

const char kOneAdapter[] =
    "str:\"adapters\"=list:[map:{str:\"connected\"=true,str:\"hardware\"=true,"
    "str:\"id\"=str:\"{GUID-1}\",str:\"if_type\"=i32:6,str:\"mac\"=str:\"00:1A:2B:3C:4D:5E\","
    "str:\"name\"=str:\"Ethernet 1\"}]";

std::string InventoryWithElapsed(const std::string& adapters, int64_t elapsed_ms) {
  return "map:{" + adapters + ",str:\"elapsed_ms\"=i64:" + std::to_string(elapsed_ms) +
         ",str:\"query_errors\"=i32:0,str:\"schema\"=i32:1,str:\"source\"=str:\"ip_helper\"}";
}

TEST_F(WakeChannelTest, ConstructionBindsTheChannelAndOtherMethodsAreNotImplementedAtOnce) {
  Create();
  EXPECT_THAT(messenger_.handler_changes, ElementsAre(Pair(kChannel, true)));
  for (const char* method : {"listadapters", "ListAdapters", "listAdapters ", "getAdapters", ""}) {
    const Reply reply = ReplyTo(Call(method));
    EXPECT_EQ(reply.kind, Reply::Kind::kNotImplemented) << method;
    EXPECT_EQ(reply.answers, 1) << method;
  }
  EXPECT_EQ(starter_->attempts, 0);
}

TEST_F(WakeChannelTest, ReplyWaitsForTheResultMessageAndComesFromTheUiThread) {
  Create();
  const int id = Call("listAdapters");
  const std::vector<PostedMessage> posted = poster_->WaitForPosts(1);
  EXPECT_EQ(ReplyTo(id).answers, 0);  // the worker never answers
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].window, kWindow);
  EXPECT_EQ(posted[0].message, 0x8057u);
  EXPECT_EQ(posted[0].wparam + static_cast<uint64_t>(posted[0].lparam), 0u);
  EXPECT_NE(posted[0].thread, std::this_thread::get_id());
  service_->DeliverAdapterResult();
  EXPECT_EQ(ReplyTo(id).answers, 1);
  EXPECT_EQ(ReplyTo(id).thread, std::this_thread::get_id());
}

// Each outcome of one query, with its arguments ignored and its duration in whole ms.
TEST_F(WakeChannelTest, EachOutcomeIsItsExactReply) {
  struct Row {
    const char* name;
    std::function<void(FakeIpHelperPort*)> script;
    std::vector<int64_t> times;
    EncodableValue argument;
    std::string code;  // empty: success
    std::string value;
  };
  const std::string kList = "map:{str:\"api\"=str:\"GetAdaptersAddresses\",str:\"code\"=i64:";
  const Row rows[] = {
      {"inventory",
       [](FakeIpHelperPort*) {},
       {5000000000, 5002999999},
       EncodableValue(),
       "",
       InventoryWithElapsed(kOneAdapter, 2)},
      {"empty",
       [](FakeIpHelperPort* p) { p->interfaces.clear(); },
       {7, 999999},
       EncodableValue("all"),
       "",
       InventoryWithElapsed("str:\"adapters\"=list:[]", 0)},
      {"arguments ignored",
       [](FakeIpHelperPort*) {},
       {},
       EncodableValue(EncodableMap{{EncodableValue("force"), EncodableValue(true)}}),
       "",
       InventoryWithElapsed(kOneAdapter, 0)},
      {"list error",
       [](FakeIpHelperPort* p) {
         p->list_answers = {{111, 99999}};
       },
       {0, 41000000},
       EncodableValue(int32_t{3}),
       "adapter_query",
       kList + "111,str:\"elapsed_ms\"=i64:41}"},
      {"every row failing",
       [](FakeIpHelperPort* p) {
         p->interfaces.push_back(EthernetInterface(2, {1, 2, 3, 4, 5, 6}));
         p->interfaces[0].rc = 50;
         p->interfaces[1].rc = 1168;
       },
       {},
       EncodableValue(),
       "adapter_query",
       "map:{str:\"api\"=str:\"GetIfEntry2\",str:\"code\"=i64:1168,str:\"elapsed_ms\"=i64:0}"},
      {"no memory",
       [](FakeIpHelperPort* p) { p->throw_bad_alloc = true; },
       {1000000, 4000000},
       EncodableValue(),
       "adapter_query",
       kList + "8,str:\"elapsed_ms\"=i64:3}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ip_helper_ = std::make_shared<FakeIpHelperPort>();
    ip_helper_->interfaces = {EthernetInterface(1, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
    row.script(ip_helper_.get());
    clock_ = std::make_shared<FakeSteadyClock>();
    clock_->times = row.times;
    poster_ = std::make_shared<FakeMessagePoster>();
    ports_.ip_helper = ip_helper_;
    ports_.clock = clock_;
    ports_.poster = poster_;
    Create();
    const int id = Call("listAdapters", row.argument);
    DeliverWhenPosted();
    const Reply reply = ReplyTo(id);
    EXPECT_EQ(reply.kind, row.code.empty() ? Reply::Kind::kSuccess : Reply::Kind::kError);
    EXPECT_EQ(reply.code, row.code);
    EXPECT_EQ(reply.message, row.code.empty() ? "" : kQueryMessage);
    EXPECT_EQ(reply.value, row.value);
    EXPECT_EQ(clock_->reads, 2);
    service_.reset();
  }
}

// --- One query at a time ---

TEST_F(WakeChannelTest, CallsWhileAQueryIsInFlightAreBusyAndTheFlightGoesOn) {
  Create();
  ip_helper_->Hold();
  const int first = Call("listAdapters");
  ip_helper_->WaitUntilHeld();

  // Querying: answered at once, with null details.
  const int second = Call("listAdapters");
  Reply busy = ReplyTo(second);
  EXPECT_EQ(busy.kind, Reply::Kind::kError);
  EXPECT_EQ(busy.code, "adapter_busy");
  EXPECT_EQ(busy.message, kBusyMessage);
  EXPECT_EQ(busy.message.size(), 18u);
  EXPECT_EQ(busy.value, "null");
  EXPECT_EQ(busy.thread, std::this_thread::get_id());
  EXPECT_EQ(ReplyTo(first).answers, 0);

  // Delivering: the worker has posted, the message has not been handled yet.
  ip_helper_->Release();
  poster_->WaitForPosts(1);
  const int third = Call("listAdapters");
  EXPECT_EQ(ReplyTo(third).code, "adapter_busy");
  EXPECT_EQ(ReplyTo(first).answers, 0);

  service_->DeliverAdapterResult();
  EXPECT_EQ(ReplyTo(first).value, InventoryWithElapsed(kOneAdapter, 0));
  EXPECT_EQ(ReplyTo(first).answers, 1);
  EXPECT_EQ(ReplyTo(second).answers, 1);
  EXPECT_EQ(ReplyTo(third).answers, 1);
  EXPECT_EQ(starter_->started, 1);
  EXPECT_EQ(ip_helper_->list_calls.size(), 1u);
}

TEST_F(WakeChannelTest, ACallAfterTheReplyStartsANewQueryWithItsOwnOutcome) {
  Create();
  const int first = Call("listAdapters");
  DeliverWhenPosted(1);
  ip_helper_->list_answers = {{87, 0}};
  const int second = Call("listAdapters");
  DeliverWhenPosted(2);
  EXPECT_EQ(ReplyTo(first).kind, Reply::Kind::kSuccess);
  EXPECT_EQ(ReplyTo(second).kind, Reply::Kind::kError);
  EXPECT_EQ(ReplyTo(second).value,
            "map:{str:\"api\"=str:\"GetAdaptersAddresses\",str:\"code\"=i64:87,"
            "str:\"elapsed_ms\"=i64:0}");
  EXPECT_EQ(ReplyTo(first).answers, 1);
  EXPECT_EQ(starter_->started, 2);
}

TEST_F(WakeChannelTest, AResultWhoseMessageWasRefusedIsAnsweredAtTheNextCall) {
  Create();
  poster_->refuse = true;
  const int first = Call("listAdapters");
  poster_->WaitForPosts(1);  // refused: no message will come
  EXPECT_EQ(ReplyTo(first).answers, 0);

  // The next call answers the finished query first, then runs its own.
  poster_->refuse = false;
  const int second = Call("listAdapters");
  EXPECT_EQ(ReplyTo(first).value, InventoryWithElapsed(kOneAdapter, 0));
  EXPECT_EQ(ReplyTo(first).thread, std::this_thread::get_id());
  EXPECT_EQ(ReplyTo(second).answers, 0);
  DeliverWhenPosted(2);
  EXPECT_EQ(ReplyTo(second).kind, Reply::Kind::kSuccess);
  EXPECT_EQ(ReplyTo(first).answers, 1);
  EXPECT_EQ(starter_->started, 2);
}

TEST_F(WakeChannelTest, AStrayOrRepeatedResultMessageDoesNothing) {
  Create();
  testing::internal::CaptureStderr();
  service_->DeliverAdapterResult();  // nothing in flight
  const int id = Call("listAdapters");
  DeliverWhenPosted();
  service_->DeliverAdapterResult();  // the same message again
  service_->DeliverAdapterResult();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no second answer was tried
  EXPECT_EQ(ReplyTo(id).answers, 1);
  EXPECT_EQ(ReplyTo(id).kind, Reply::Kind::kSuccess);
  EXPECT_EQ(poster_->Posted().size(), 1u);
}

TEST_F(WakeChannelTest, AResultMessageBeforeTheOutcomeIsStoredNeitherAnswersNorWaits) {
  Create();
  ip_helper_->Hold();
  const int id = Call("listAdapters");
  ip_helper_->WaitUntilHeld();
  // Posted by another process while the query runs: waiting for the worker here would never
  // return, as the query is held until the release below.
  service_->DeliverAdapterResult();
  EXPECT_EQ(ReplyTo(id).answers, 0);
  EXPECT_EQ(ReplyTo(Call("listAdapters")).code, "adapter_busy");
  ip_helper_->Release();
  DeliverWhenPosted();
  EXPECT_EQ(ReplyTo(id).value, InventoryWithElapsed(kOneAdapter, 0));
  // The worker's own message, handled after a stray one already answered, does nothing.
  service_->DeliverAdapterResult();
  EXPECT_EQ(ReplyTo(id).answers, 1);
}

// --- A worker that cannot start ---

TEST_F(WakeChannelTest, AWorkerThatCannotStartFailsTheCallAtOnceAndLeavesTheServiceIdle) {
  Create();
  starter_->fail = true;
  const int refused = Call("listAdapters");
  const Reply reply = ReplyTo(refused);
  EXPECT_EQ(reply.kind, Reply::Kind::kError);
  EXPECT_EQ(reply.code, "adapter_query");
  EXPECT_EQ(reply.message, kQueryMessage);
  EXPECT_EQ(reply.value, "null");  // no query ran: no function, code or duration
  EXPECT_EQ(reply.answers, 1);
  EXPECT_TRUE(poster_->Posted().empty());
  EXPECT_TRUE(ip_helper_->list_calls.empty());

  // Nothing is pending: a stray message does nothing and the next call is not busy.
  service_->DeliverAdapterResult();
  EXPECT_EQ(ReplyTo(refused).answers, 1);
  starter_->fail = false;
  const int next = Call("listAdapters");
  DeliverWhenPosted();
  EXPECT_EQ(ReplyTo(next).kind, Reply::Kind::kSuccess);
  EXPECT_EQ(starter_->attempts, 2);
}

// --- Destruction ---

TEST_F(WakeChannelTest, DestructionDuringAQueryWaitsForItAndDropsTheCall) {
  Create();
  ip_helper_->Hold();
  const int id = Call("listAdapters");
  ip_helper_->WaitUntilHeld();
  // The query may finish only once destruction has begun (its first step clears the handler).
  bool cleared_while_querying = false;
  messenger_.on_handler_change = [this, &cleared_while_querying](const std::string&, bool set) {
    if (set) return;
    cleared_while_querying = poster_->Posted().empty();
    ip_helper_->Release();
  };
  testing::internal::CaptureStderr();
  service_.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kLeak);
  EXPECT_TRUE(cleared_while_querying);
  // The worker was joined: its message was posted before the destructor returned.
  EXPECT_EQ(poster_->Posted().size(), 1u);
  EXPECT_EQ(ReplyTo(id).answers, 0);
  EXPECT_THAT(messenger_.handler_changes, ElementsAre(Pair(kChannel, true), Pair(kChannel, false)));
}

TEST_F(WakeChannelTest, DestructionWithTheResultMessageOnTheWayDropsTheCall) {
  Create();
  const int id = Call("listAdapters");
  poster_->WaitForPosts(1);
  testing::internal::CaptureStderr();
  service_.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kLeak);
  EXPECT_EQ(ReplyTo(id).answers, 0);
}

}  // namespace
}  // namespace tesso_test
