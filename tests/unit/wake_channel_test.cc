// The wake service on fake ports: the adapter inventory's exact maps and IP Helper calls, and
// the channel's replies: one query at a time, each call answered once and only from the UI
// thread after the worker's message, stray messages, a worker that cannot start, destruction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_ip_helper_port.h"
#include "tests/fakes/fake_wake_ports.h"
#include "tests/unit/value_description.h"
#include "wake/adapter_inventory.h"
#include "wake/windows_wake_channel.h"

namespace tesso_test {
namespace {

using flutter::EncodableValue;
using testing::ElementsAre;
using testing::Pair;

constexpr char kChannel[] = "com.vel.halvo/windows_wake";
const std::string kBusy = "error adapter_busy 检测正在进行 null";
const std::string kQueryFailed = "error adapter_query Windows 网卡查询失败 ";
const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";

std::string Adapter(uint64_t luid, const std::string& mac, int32_t if_type = 6,
                    bool connected = true, bool hardware = true) {
  return std::string("map:{str:\"connected\"=") + (connected ? "true" : "false") +
         ",str:\"hardware\"=" + (hardware ? "true" : "false") + ",str:\"id\"=str:\"{GUID-" +
         std::to_string(luid) + "}\",str:\"if_type\"=i32:" + std::to_string(if_type) +
         ",str:\"mac\"=str:\"" + mac + "\",str:\"name\"=str:\"Ethernet " +
         std::to_string(luid % 10) + "\"}";
}

// `elapsed` only in the service's answer, where the duration is added.
std::string Inventory(int32_t errors, const std::string& adapters,
                      const std::string& elapsed = "") {
  return "map:{str:\"adapters\"=list:[" + adapters + "]," + elapsed +
         "str:\"query_errors\"=i32:" + std::to_string(errors) +
         ",str:\"schema\"=i32:1,str:\"source\"=str:\"ip_helper\"}";
}

std::string QueryError(const std::string& api, int64_t code, const std::string& elapsed = "") {
  return "map:{str:\"api\"=str:\"" + api + "\",str:\"code\"=i64:" + std::to_string(code) + elapsed +
         "}";
}

std::string List(uint32_t size) {
  return "GetAdaptersAddresses 0 270 " + std::to_string(size) + " zeroed";
}

TEST(AdapterInventoryTest, EachScriptGivesItsExactMapAndCalls) {
  const std::string kMac1 = "00:1A:2B:3C:4D:5E", kRead = "ReadAdapterList written";
  const std::vector<uint8_t> kMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  auto status = [](uint64_t luid, uint32_t type, uint8_t flags, uint32_t oper) {
    FakeInterface nic = EthernetInterface(luid, {0x02, 0, 0, 0, 0, static_cast<uint8_t>(luid)});
    nic.row.type = type;
    nic.row.interface_and_oper_status_flags = flags;
    nic.row.oper_status = oper;
    return nic;
  };
  FakeInterface named = EthernetInterface(1, {1, 2, 3, 4, 5, 6});
  named.record.friendly_name = u"\u4EE5\u592A\u7F51 2 \xD800";  // "以太网 2" and a lone surrogate
  named.record.adapter_name = "{id\xFF}";
  FakeInterface unnamed = EthernetInterface(2, {1, 2, 3, 4, 5, 7});
  unnamed.record = {"", u"", 2};
  struct Row {
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> answers;
    std::vector<FakeInterface> interfaces;
    std::string map;
    bool failed;
    std::vector<std::string> calls;
  };
  // clang-format off
  const Row rows[] = {
      {"one adapter", {}, {EthernetInterface(1, kMac)}, Inventory(0, Adapter(1, kMac1)), false, {List(16384), kRead, "GetIfEntry2 1"}},
      // A retry offers the size asked for, in a zeroed buffer; at most three calls.
      {"overflow, then the list", {{111, 40000}, {111, 52000}, {0, 0}}, {EthernetInterface(1, kMac)}, Inventory(0, Adapter(1, kMac1)), false, {List(16384), List(40000), List(52000), kRead, "GetIfEntry2 1"}},
      {"overflow three times", {{111, 20000}}, {EthernetInterface(1, kMac)}, QueryError("GetAdaptersAddresses", 111), true, {List(16384), List(20000), List(20000)}},
      {"invalid parameter", {{87, 0}}, {}, QueryError("GetAdaptersAddresses", 87), true, {List(16384)}},
      {"no data after an overflow", {{111, 30000}, {232, 0}}, {}, Inventory(0, ""), false, {List(16384), List(30000)}},
      // Only six-byte addresses, in list order; the others are not errors.
      {"which are listed", {}, {EthernetInterface(7, {}), EthernetInterface(3, {1, 2, 3, 4, 5, 6, 7, 8}), EthernetInterface(4, std::vector<uint8_t>(20, 0xAB)), EthernetInterface(5, {1, 2, 3, 4, 5}), EthernetInterface(0x1234567892, {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}), EthernetInterface(1, kMac)},
       Inventory(0, Adapter(0x1234567892, "A0:B1:C2:D3:E4:F5") + "," + Adapter(1, kMac1)), false,
       {List(16384), kRead, "GetIfEntry2 7", "GetIfEntry2 3", "GetIfEntry2 4", "GetIfEntry2 5", "GetIfEntry2 78187493522", "GetIfEntry2 1"}},
      {"one row failing", {}, {EthernetInterface(1, kMac), EthernetInterface(2, kMac, 1168)}, Inventory(1, Adapter(1, kMac1)), false, {List(16384), kRead, "GetIfEntry2 1", "GetIfEntry2 2"}},
      {"every row failing: the last code, unsigned", {}, {EthernetInterface(1, kMac, 1168), EthernetInterface(2, kMac, 0xFFFFFFFF)}, QueryError("GetIfEntry2", 4294967295), true, {List(16384), kRead, "GetIfEntry2 1", "GetIfEntry2 2"}},
      {"a failure beside a skipped one", {}, {EthernetInterface(1, {}), EthernetInterface(2, kMac, 1168)}, Inventory(1, ""), false, {List(16384), kRead, "GetIfEntry2 1", "GetIfEntry2 2"}},
      // Wireless; every flag but hardware; down; lower layer down with hardware.
      {"type and status as they come", {}, {status(1, 71, 1, 1), status(2, 6, 0xFE, 1), status(3, 6, 1, 2), status(4, 6, 0x11, 7)},
       Inventory(0, Adapter(1, "02:00:00:00:00:01", 71) + "," + Adapter(2, "02:00:00:00:00:02", 6, true, false) + "," + Adapter(3, "02:00:00:00:00:03", 6, false) + "," + Adapter(4, "02:00:00:00:00:04", 6, false)), false,
       {List(16384), kRead, "GetIfEntry2 1", "GetIfEntry2 2", "GetIfEntry2 3", "GetIfEntry2 4"}},
      {"names lenient, ids byte for byte", {}, {named, unnamed},
       Inventory(0, "map:{str:\"connected\"=true,str:\"hardware\"=true,str:\"id\"=str:\"{id\\xff}\",str:\"if_type\"=i32:6,str:\"mac\"=str:\"01:02:03:04:05:06\",str:\"name\"=str:\"\\xe4\\xbb\\xa5\\xe5\\xa4\\xaa\\xe7\\xbd\\x91 2 \\xef\\xbf\\xbd\"},"
                    "map:{str:\"connected\"=true,str:\"hardware\"=true,str:\"id\"=str:\"\",str:\"if_type\"=i32:6,str:\"mac\"=str:\"01:02:03:04:05:07\",str:\"name\"=str:\"\"}"), false,
       {List(16384), kRead, "GetIfEntry2 1", "GetIfEntry2 2"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakeIpHelperPort port;
    port.list_answers = row.answers;
    port.interfaces = row.interfaces;
    bool failed = false;
    EXPECT_EQ(Describe(tesso::BuildAdapterInventory(port, &failed)), row.map);
    EXPECT_EQ(failed, row.failed);
    EXPECT_EQ(port.calls, row.calls);
  }
}

class WakeChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    ip_helper_->interfaces = {EthernetInterface(1, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
    service_ = std::make_unique<tesso::WindowsWakeChannel>(
        &messenger_, kWindow, tesso::WakePorts{ip_helper_, poster_, starter_, clock_});
  }
  void TearDown() override {
    ip_helper_->Release();
    service_.reset();
  }
  void Restart() {
    TearDown();
    ip_helper_ = std::make_shared<FakeIpHelperPort>();
    poster_ = std::make_shared<FakeMessagePoster>();
    clock_ = std::make_shared<FakeSteadyClock>();
    SetUp();
  }
  int Call(const std::string& method, const EncodableValue& arguments = EncodableValue()) {
    return messenger_.Call(kChannel, method, &arguments);
  }
  std::string Reply(int id) { return messenger_.ReplyTo(id); }
  // Plays the host window: waits for the worker's message, then hands it to the service.
  void DeliverWhenPosted(size_t posts) {
    poster_->WaitForPosts(posts);
    service_->DeliverAdapterResult();
  }

  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0xBEE);
  const std::string kMs0 = ",str:\"elapsed_ms\"=i64:0";
  const std::string kOne = Inventory(0, Adapter(1, "00:1A:2B:3C:4D:5E"), kMs0.substr(1) + ",");
  std::shared_ptr<FakeIpHelperPort> ip_helper_ = std::make_shared<FakeIpHelperPort>();
  std::shared_ptr<FakeMessagePoster> poster_ = std::make_shared<FakeMessagePoster>();
  std::shared_ptr<FakeWorkerStarter> starter_ = std::make_shared<FakeWorkerStarter>();
  std::shared_ptr<FakeSteadyClock> clock_ = std::make_shared<FakeSteadyClock>();
  DeferredReplyMessenger messenger_;
  std::unique_ptr<tesso::WindowsWakeChannel> service_;
};

// Other methods are not implemented, at once; each outcome of one query, with its arguments
// ignored and its duration in whole ms.
TEST_F(WakeChannelTest, EachOutcomeIsItsExactReplyAfterTheResultMessage) {
  struct Row {
    const char* name;
    std::function<void(FakeIpHelperPort*)> script;
    std::vector<int64_t> times;
    EncodableValue argument;
    std::string reply;
  };
  const std::string kMs = ",str:\"elapsed_ms\"=i64:";
  // clang-format off
  const Row rows[] = {
      {"inventory", [](FakeIpHelperPort*) {}, {5000000000, 5002999999}, EncodableValue(), "success " + Inventory(0, Adapter(1, "00:1A:2B:3C:4D:5E"), "str:\"elapsed_ms\"=i64:2,")},
      {"empty", [](FakeIpHelperPort* p) { p->interfaces.clear(); }, {7, 999999}, EncodableValue("all"), "success " + Inventory(0, "", kMs0.substr(1) + ",")},
      {"list error", [](FakeIpHelperPort* p) { p->list_answers = {{111, 99999}}; }, {0, 41000000}, EncodableValue(int32_t{3}), kQueryFailed + QueryError("GetAdaptersAddresses", 111, kMs + "41")},
      {"every row failing", [](FakeIpHelperPort* p) { p->interfaces[0].rc = 50; }, {}, EncodableValue(), kQueryFailed + QueryError("GetIfEntry2", 50, kMs + "0")},
      {"no memory", [](FakeIpHelperPort* p) { p->throw_bad_alloc = true; }, {1000000, 4000000}, EncodableValue(), kQueryFailed + QueryError("GetAdaptersAddresses", 8, kMs + "3")},
  };
  // clang-format on
  EXPECT_THAT(messenger_.handler_changes, ElementsAre(Pair(kChannel, true)));
  for (const char* method : {"listadapters", "ListAdapters", "listAdapters ", "getAdapters", ""}) {
    EXPECT_EQ(Reply(Call(method)), "not implemented") << method;
  }
  EXPECT_EQ(starter_->attempts, 0);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Restart();
    row.script(ip_helper_.get());
    clock_->times = row.times;
    const int id = Call("listAdapters", row.argument);
    const PostedMessage posted = poster_->WaitForPosts(1).at(0);
    EXPECT_EQ(Reply(id), "none");  // the worker never answers
    EXPECT_TRUE(posted.window == kWindow && posted.message == 0x8057 && posted.wparam == 0 &&
                posted.lparam == 0 && posted.thread != std::this_thread::get_id());
    service_->DeliverAdapterResult();
    EXPECT_EQ(Reply(id), row.reply);
    EXPECT_EQ(clock_->reads, 2);
  }
}

TEST_F(WakeChannelTest, CallsWhileAQueryIsInFlightAreBusyAndTheFlightGoesOn) {
  ip_helper_->Hold();
  const int first = Call("listAdapters");
  ip_helper_->WaitUntilHeld();
  // Querying: answered at once.
  const int second = Call("listAdapters");
  // A message before the outcome is stored (from another process) neither answers nor waits:
  // the query is held until the release below.
  service_->DeliverAdapterResult();
  // Delivering: the worker has posted, the message has not been handled yet.
  ip_helper_->Release();
  poster_->WaitForPosts(1);
  const int third = Call("listAdapters");
  EXPECT_EQ(Reply(first), "none");
  service_->DeliverAdapterResult();
  // The same message again, and a new query with its own outcome.
  service_->DeliverAdapterResult();
  ip_helper_->list_answers = {{87, 0}};
  const int fourth = Call("listAdapters");
  DeliverWhenPosted(2);
  EXPECT_THAT(std::vector<std::string>({Reply(first), Reply(second), Reply(third), Reply(fourth)}),
              ElementsAre("success " + kOne, kBusy, kBusy,
                          kQueryFailed + QueryError("GetAdaptersAddresses", 87, kMs0)));
  EXPECT_EQ(starter_->started, 2);
}

// A worker that cannot start fails its call at once and leaves the service idle; a result
// whose message was refused is answered at the next call, which then runs its own query.
TEST_F(WakeChannelTest, CallsAreAnsweredWhenNoMessageWillCome) {
  starter_->fail = true;
  const int refused = Call("listAdapters");
  EXPECT_EQ(Reply(refused), kQueryFailed + "null");  // no query ran: no function or code
  service_->DeliverAdapterResult();
  starter_->fail = false;
  poster_->refuse = true;
  const int first = Call("listAdapters");
  poster_->WaitForPosts(1);
  EXPECT_EQ(Reply(first), "none");
  poster_->refuse = false;
  const int second = Call("listAdapters");
  EXPECT_EQ(Reply(first) + "; " + Reply(second), "success " + kOne + "; none");
  DeliverWhenPosted(2);
  EXPECT_EQ(Reply(refused) + "; " + Reply(second), kQueryFailed + "null; success " + kOne);
  EXPECT_EQ(starter_->attempts, 3);
}

TEST_F(WakeChannelTest, DestructionWaitsForTheQueryAndDropsTheCall) {
  for (bool posted : {false, true}) {
    SCOPED_TRACE(posted ? "message on the way" : "querying");
    Restart();
    if (!posted) ip_helper_->Hold();
    const int id = Call("listAdapters");
    if (!posted) ip_helper_->WaitUntilHeld();
    if (posted) poster_->WaitForPosts(1);
    // The query may finish only once destruction has begun (its first step clears the
    // handler).
    std::string posted_at_clear = "not cleared";
    messenger_.on_handler_change = [this, &posted_at_clear](const std::string&, bool set) {
      if (!set) posted_at_clear = std::to_string(poster_->Posted().size());
      ip_helper_->Release();
    };
    testing::internal::CaptureStderr();
    service_.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kLeak);
    EXPECT_EQ(posted_at_clear, posted ? "1" : "0");
    // The worker was joined: its message was posted before the destructor returned.
    EXPECT_EQ(poster_->Posted().size(), 1u);
    EXPECT_EQ(Reply(id), "none");
    messenger_.on_handler_change = nullptr;
  }
}

}  // namespace
}  // namespace tesso_test
