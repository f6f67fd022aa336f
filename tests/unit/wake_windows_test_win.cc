// The wake service's Windows side under Wine: the IP Helper adapter against Wine's own IP
// Helper, and the service made by MakeWindowsWakeChannel answering through a real window's
// message queue. Run inside a network namespace (tests/unit/wake_windows_test_in_namespace.py),
// the interfaces it created are named in TESSO_WAKE_EXPECTED ("MAC=up,MAC=down,...") and
// must be exactly the ones listed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "wake/adapter_inventory.h"
#include "wake/ip_helper_port_win.h"
#include "wake/windows_wake_channel.h"
#include "wake/windows_wake_channel_win.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

const EncodableValue* Find(const EncodableValue& map, const char* key) {
  const auto* entries = std::get_if<EncodableMap>(&map);
  if (entries == nullptr) return nullptr;
  auto found = entries->find(EncodableValue(key));
  return found == entries->end() ? nullptr : &found->second;
}

template <typename T>
T Get(const EncodableValue& map, const char* key) {
  const EncodableValue* value = Find(map, key);
  EXPECT_NE(value, nullptr) << key;
  const T* typed = value == nullptr ? nullptr : std::get_if<T>(value);
  EXPECT_NE(typed, nullptr) << key << " has another type";
  return typed == nullptr ? T() : *typed;
}

// MAC text -> connected, from TESSO_WAKE_EXPECTED; none outside a test namespace.
std::map<std::string, bool> ExpectedInterfaces() {
  std::map<std::string, bool> expected;
  const char* text = std::getenv("TESSO_WAKE_EXPECTED");
  if (text == nullptr) return expected;
  std::stringstream entries(text);
  std::string entry;
  while (std::getline(entries, entry, ',')) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    expected[entry.substr(0, equals)] = entry.substr(equals + 1) == "up";
  }
  return expected;
}

// --- The IP Helper adapter ---

TEST(WakeIpHelperPortWin, ATooSmallBufferAsksForTheSizeNeeded) {
  tesso::IpHelperPortWin port;
  std::vector<uint8_t> buffer(1);
  uint32_t size = 1;
  const uint32_t rc =
      port.GetAdaptersAddresses(tesso::kAfUnspec, tesso::kListFlags, buffer.data(), &size);
  EXPECT_EQ(rc, tesso::kErrorBufferOverflow);
  EXPECT_GT(size, 1u);
}

TEST(WakeIpHelperPortWin, ListRecordsCarryNamesAndLuidsAndRowsDescribeThem) {
  tesso::IpHelperPortWin port;
  std::vector<uint8_t> buffer(tesso::kInitialListBufferSize);
  uint32_t size = tesso::kInitialListBufferSize;
  ASSERT_EQ(port.GetAdaptersAddresses(tesso::kAfUnspec, tesso::kListFlags, buffer.data(), &size),
            tesso::kNoError);
  const std::vector<tesso::AdapterRecord> records = port.ReadAdapterList(buffer.data());
  ASSERT_FALSE(records.empty());
  bool loopback_seen = false;
  for (const tesso::AdapterRecord& record : records) {
    EXPECT_NE(record.luid, 0u);
    EXPECT_FALSE(record.adapter_name.empty());
    tesso::InterfaceRow row;
    row.interface_luid = record.luid;
    ASSERT_EQ(port.GetIfEntry2(&row), tesso::kNoError) << record.adapter_name;
    EXPECT_EQ(row.interface_luid, record.luid);
    if (row.type == 24) {  // IF_TYPE_SOFTWARE_LOOPBACK
      loopback_seen = true;
      EXPECT_EQ(row.physical_address_length, 0u);
    }
  }
  EXPECT_TRUE(loopback_seen);
}

TEST(WakeIpHelperPortWin, AnUnknownInterfaceIsAnError) {
  tesso::IpHelperPortWin port;
  tesso::InterfaceRow row;
  row.interface_luid = 0x7FFF000000000000ULL;
  EXPECT_NE(port.GetIfEntry2(&row), tesso::kNoError);
}

TEST(WakeIpHelperPortWin, TheInventoryListsExactlyTheEthernetInterfacesAndNoLoopback) {
  tesso::IpHelperPortWin port;
  bool failed = false;
  const EncodableValue inventory = tesso::BuildAdapterInventory(port, &failed);
  ASSERT_FALSE(failed);
  EXPECT_EQ(Get<int32_t>(inventory, "schema"), 1);
  EXPECT_EQ(Get<int32_t>(inventory, "query_errors"), 0);
  const EncodableList adapters = Get<EncodableList>(inventory, "adapters");
  std::map<std::string, bool> listed;
  for (const EncodableValue& adapter : adapters) {
    const std::string mac = Get<std::string>(adapter, "mac");
    EXPECT_EQ(mac.size(), 17u);
    EXPECT_NE(Get<int32_t>(adapter, "if_type"), 24);
    listed[mac] = Get<bool>(adapter, "connected");
    std::cout << "adapter " << mac << " if_type " << Get<int32_t>(adapter, "if_type")
              << " hardware " << Get<bool>(adapter, "hardware") << " connected "
              << Get<bool>(adapter, "connected") << " id " << Get<std::string>(adapter, "id")
              << " name " << Get<std::string>(adapter, "name") << "\n";
  }
  const std::map<std::string, bool> expected = ExpectedInterfaces();
  if (expected.empty()) GTEST_SKIP() << "not in a test namespace (TESSO_WAKE_EXPECTED unset)";
  EXPECT_EQ(listed, expected);
  for (const EncodableValue& adapter : adapters) {
    EXPECT_EQ(Get<int32_t>(adapter, "if_type"), 6);
    EXPECT_TRUE(Get<bool>(adapter, "hardware"));
  }
}

// --- The service as the host window creates it ---

class WakeServiceWin : public testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TessoWakeTestWindow";
    RegisterClassW(&window_class);
    window_ = CreateWindowExW(0, L"TessoWakeTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    service_ = tesso::MakeWindowsWakeChannel(&messenger_, window_);
  }
  void TearDown() override {
    service_.reset();
    if (window_ != nullptr) DestroyWindow(window_);
  }

  int Call(const std::string& method) {
    flutter::MethodCall<EncodableValue> call(method, nullptr);
    const auto id =
        messenger_.Deliver(tesso::WindowsWakeChannel::kChannelName,
                           *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call));
    EXPECT_TRUE(id.has_value());
    return id.value_or(0);
  }

  // Runs the window's queue until the wake message arrives, as the host window does.
  void PumpUntilResult() {
    MSG message;
    while (GetMessageW(&message, window_, 0, 0) > 0) {
      if (message.message == tesso::WindowsWakeChannel::kResultMessage) {
        EXPECT_EQ(message.wParam, 0u);
        EXPECT_EQ(message.lParam, 0);
        service_->DeliverAdapterResult();
        return;
      }
      DispatchMessageW(&message);
    }
    ADD_FAILURE() << "the queue ended without the wake message";
  }

  // The success value of a response, or null.
  EncodableValue SuccessOf(int id) {
    const auto response = messenger_.ResponseFor(id);
    EncodableValue value;
    flutter::MethodResultFunctions<EncodableValue> decoder(
        [&value](const EncodableValue* result) {
          if (result != nullptr) value = *result;
        },
        nullptr, nullptr);
    EXPECT_EQ(response.answers, 1);
    if (response.answers == 1) {
      flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
          response.bytes.data(), response.bytes.size(), &decoder);
    }
    return value;
  }

  HWND window_ = nullptr;
  DeferredReplyMessenger messenger_;
  std::unique_ptr<tesso::WindowsWakeChannel> service_;
};

TEST_F(WakeServiceWin, ListAdaptersAnswersThroughTheWindowQueueWithOneQueryAtATime) {
  std::vector<int64_t> elapsed;
  for (int round = 0; round < 5; ++round) {
    const int id = Call("listAdapters");
    const int busy = Call("listAdapters");
    EXPECT_EQ(messenger_.ResponseFor(busy).answers, 1);
    EXPECT_EQ(messenger_.ResponseFor(id).answers, 0);
    PumpUntilResult();
    const EncodableValue value = SuccessOf(id);
    EXPECT_EQ(Get<std::string>(value, "source"), "ip_helper");
    elapsed.push_back(Get<int64_t>(value, "elapsed_ms"));
    EXPECT_EQ(messenger_.ResponseFor(id).thread, std::this_thread::get_id());
  }
  std::sort(elapsed.begin(), elapsed.end());
  std::cout << "elapsed_ms of 5 queries: min " << elapsed.front() << " median " << elapsed[2]
            << " max " << elapsed.back() << "\n";
  EXPECT_EQ(messenger_.ResponseFor(Call("getAdapters")).bytes.size(), 0u);
}

}  // namespace
}  // namespace tesso_test
