// The adapter inventory against a scripted IP Helper port: the list query's buffer protocol,
// one row query per interface, which interfaces are listed, and the exact maps with their
// value types (written out with Describe, where i32 and i64 differ).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/fakes/fake_ip_helper_port.h"
#include "tests/unit/value_description.h"
#include "wake/adapter_inventory.h"

namespace tesso_test {
namespace {

using flutter::EncodableValue;
using testing::ElementsAre;

std::string Inventory(int32_t query_errors, const std::string& adapters) {
  return "map:{str:\"adapters\"=list:[" + adapters +
         "],str:\"query_errors\"=i32:" + std::to_string(query_errors) +
         ",str:\"schema\"=i32:1,str:\"source\"=str:\"ip_helper\"}";
}

std::string Adapter(bool connected, bool hardware, const std::string& id, int32_t if_type,
                    const std::string& mac, const std::string& name) {
  return std::string("map:{str:\"connected\"=") + (connected ? "true" : "false") +
         ",str:\"hardware\"=" + (hardware ? "true" : "false") + ",str:\"id\"=str:\"" + id +
         "\",str:\"if_type\"=i32:" + std::to_string(if_type) + ",str:\"mac\"=str:\"" + mac +
         "\",str:\"name\"=str:\"" + name + "\"}";
}

std::string QueryError(const std::string& api, int64_t code) {
  return "map:{str:\"api\"=str:\"" + api + "\",str:\"code\"=i64:" + std::to_string(code) + "}";
}

class AdapterInventoryTest : public testing::Test {
 protected:
  // Builds the inventory; `failed` starts as given.
  std::string Build(bool failed_before = false) {
    failed_ = failed_before;
    return Describe(tesso::BuildAdapterInventory(port_, &failed_));
  }

  FakeIpHelperPort port_;
  bool failed_ = false;
};

// --- The list query's buffer protocol ---

TEST_F(AdapterInventoryTest, FirstListCallOffersSixteenKibZeroedBytesForAllInterfaces) {
  Build();
  ASSERT_EQ(port_.list_calls.size(), 1u);
  EXPECT_EQ(port_.list_calls[0].family, 0u);
  EXPECT_EQ(port_.list_calls[0].flags, 0x10Eu);
  EXPECT_EQ(port_.list_calls[0].size, 16384u);
  EXPECT_TRUE(port_.list_calls[0].buffer_zeroed);
}

TEST_F(AdapterInventoryTest, OverflowRetriesWithTheAskedSizeInAZeroedBuffer) {
  port_.list_answers = {{111, 40000}, {111, 52000}, {0, 0}};
  port_.interfaces = {EthernetInterface(1, {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
  EXPECT_EQ(Build(),
            Inventory(0, Adapter(true, true, "{GUID-1}", 6, "00:1A:2B:3C:4D:5E", "Ethernet 1")));
  EXPECT_FALSE(failed_);
  ASSERT_EQ(port_.list_calls.size(), 3u);
  EXPECT_EQ(port_.list_calls[1].size, 40000u);
  EXPECT_EQ(port_.list_calls[2].size, 52000u);
  for (const ListCall& call : port_.list_calls) {
    EXPECT_TRUE(call.buffer_zeroed);
    EXPECT_EQ(call.flags, 0x10Eu);
  }
  EXPECT_TRUE(port_.read_written_buffer);
}

TEST_F(AdapterInventoryTest, OverflowThreeTimesStopsAfterExactlyThreeCalls) {
  port_.list_answers = {{111, 20000}};
  EXPECT_EQ(Build(), QueryError("GetAdaptersAddresses", 111));
  EXPECT_TRUE(failed_);
  EXPECT_EQ(port_.list_calls.size(), 3u);
  EXPECT_EQ(port_.list_reads, 0);
  EXPECT_TRUE(port_.row_luids.empty());
}

TEST_F(AdapterInventoryTest, OtherListErrorsEndTheQueryAtOnce) {
  port_.list_answers = {{87, 0}};  // ERROR_INVALID_PARAMETER
  EXPECT_EQ(Build(), QueryError("GetAdaptersAddresses", 87));
  EXPECT_TRUE(failed_);
  EXPECT_EQ(port_.list_calls.size(), 1u);

  port_.list_calls.clear();
  port_.list_answers = {{8, 0}};  // ERROR_NOT_ENOUGH_MEMORY from Windows itself
  EXPECT_EQ(Build(), QueryError("GetAdaptersAddresses", 8));
  EXPECT_EQ(port_.list_calls.size(), 1u);
}

TEST_F(AdapterInventoryTest, NoDataIsAnEmptyInventory) {
  port_.list_answers = {{232, 0}};
  port_.interfaces = {EthernetInterface(1, {1, 2, 3, 4, 5, 6})};
  EXPECT_EQ(Build(), Inventory(0, ""));
  EXPECT_FALSE(failed_);
  EXPECT_EQ(port_.list_reads, 0);
  EXPECT_TRUE(port_.row_luids.empty());
}

TEST_F(AdapterInventoryTest, NoDataAfterAnOverflowIsAnEmptyInventoryToo) {
  port_.list_answers = {{111, 30000}, {232, 0}};
  EXPECT_EQ(Build(), Inventory(0, ""));
  EXPECT_EQ(port_.list_calls.size(), 2u);
}

TEST_F(AdapterInventoryTest, FailedIsLeftAloneOnSuccess) {
  EXPECT_EQ(Build(/*failed_before=*/true), Inventory(0, ""));
  EXPECT_TRUE(failed_);
}

TEST_F(AdapterInventoryTest, MemoryExhaustionLeavesTheOperation) {
  port_.throw_bad_alloc = true;
  port_.interfaces = {EthernetInterface(1, {1, 2, 3, 4, 5, 6})};
  EXPECT_THROW(tesso::BuildAdapterInventory(port_, &failed_), std::bad_alloc);
}

// --- One row query per interface ---

TEST_F(AdapterInventoryTest, EachListedInterfaceIsAskedForOnceInListOrderWithAZeroedRow) {
  port_.interfaces = {EthernetInterface(7, {1, 2, 3, 4, 5, 6}),
                      EthernetInterface(3, {1, 2, 3, 4, 5, 7}),
                      EthernetInterface(0x1234567890ULL, {1, 2, 3, 4, 5, 8})};
  Build();
  EXPECT_THAT(port_.row_luids, ElementsAre(7u, 3u, 0x1234567890ULL));
  EXPECT_TRUE(port_.rows_zeroed);
  EXPECT_EQ(port_.list_reads, 1);
  EXPECT_TRUE(port_.read_written_buffer);
}

TEST_F(AdapterInventoryTest, AdaptersFollowTheListOrder) {
  port_.interfaces = {EthernetInterface(2, {0xA0, 0xB1, 0xC2, 0xD3, 0xE4, 0xF5}),
                      EthernetInterface(1, {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
  EXPECT_EQ(
      Build(),
      Inventory(0, Adapter(true, true, "{GUID-2}", 6, "A0:B1:C2:D3:E4:F5", "Ethernet 2") + "," +
                       Adapter(true, true, "{GUID-1}", 6, "00:1A:2B:3C:4D:5E", "Ethernet 1")));
}

TEST_F(AdapterInventoryTest, OneOfTwoRowQueriesFailingDropsThatInterfaceAndCountsIt) {
  port_.interfaces = {EthernetInterface(1, {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}),
                      EthernetInterface(2, {2, 0, 0, 0, 0, 2})};
  port_.interfaces[1].rc = 1168;
  EXPECT_EQ(Build(),
            Inventory(1, Adapter(true, true, "{GUID-1}", 6, "00:1A:2B:3C:4D:5E", "Ethernet 1")));
  EXPECT_FALSE(failed_);
}

TEST_F(AdapterInventoryTest, EveryRowQueryFailingIsTheRowErrorWithTheLastCode) {
  port_.interfaces = {EthernetInterface(1, {1, 2, 3, 4, 5, 6}),
                      EthernetInterface(2, {1, 2, 3, 4, 5, 7})};
  port_.interfaces[0].rc = 1168;
  port_.interfaces[1].rc = 87;
  EXPECT_EQ(Build(), QueryError("GetIfEntry2", 87));
  EXPECT_TRUE(failed_);
  EXPECT_EQ(port_.row_luids.size(), 2u);
}

TEST_F(AdapterInventoryTest, AFailureBesideASkippedInterfaceIsNotEveryInterfaceFailing) {
  FakeInterface loopback = EthernetInterface(1, {});
  port_.interfaces = {loopback, EthernetInterface(2, {1, 2, 3, 4, 5, 6})};
  port_.interfaces[1].rc = 1168;
  EXPECT_EQ(Build(), Inventory(1, ""));
  EXPECT_FALSE(failed_);
}

// --- Which interfaces are listed ---

TEST_F(AdapterInventoryTest, OnlySixByteAddressesAreListedAndOthersAreNoErrors) {
  FakeInterface loopback = EthernetInterface(1, {});
  loopback.row.type = 24;
  FakeInterface firewire = EthernetInterface(2, {1, 2, 3, 4, 5, 6, 7, 8});
  FakeInterface infiniband = EthernetInterface(3, std::vector<uint8_t>(20, 0xAB));
  FakeInterface short_address = EthernetInterface(4, {1, 2, 3, 4, 5});
  port_.interfaces = {loopback, firewire, infiniband, short_address,
                      EthernetInterface(5, {0, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E})};
  EXPECT_EQ(Build(),
            Inventory(0, Adapter(true, true, "{GUID-5}", 6, "00:1A:2B:3C:4D:5E", "Ethernet 5")));
  EXPECT_EQ(port_.row_luids.size(), 5u);
}

TEST_F(AdapterInventoryTest, OnlyLoopbackIsAnEmptyInventory) {
  port_.interfaces = {EthernetInterface(1, {})};
  EXPECT_EQ(Build(), Inventory(0, ""));
  EXPECT_FALSE(failed_);
}

// --- The adapter map ---

TEST_F(AdapterInventoryTest, MacIsUpperCaseHexInByteOrderWithColons) {
  tesso::InterfaceRow row;
  row.physical_address = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xFF, 0xFF};
  EXPECT_EQ(tesso::FormatMac(row), "00:1A:2B:3C:4D:5E");
  row.physical_address = {0xFF, 0xEE, 0x0A, 0xB0, 0x01, 0x10};
  EXPECT_EQ(tesso::FormatMac(row), "FF:EE:0A:B0:01:10");
}

TEST_F(AdapterInventoryTest, StatusBitsAndTypeAreReadAsTheyCome) {
  FakeInterface wireless = EthernetInterface(1, {0x02, 0, 0, 0, 0, 1});
  wireless.row.type = 71;
  FakeInterface virtual_adapter = EthernetInterface(2, {0x02, 0, 0, 0, 0, 2});
  virtual_adapter.row.interface_and_oper_status_flags = 0xFE;  // every flag but hardware
  FakeInterface unplugged = EthernetInterface(3, {0x02, 0, 0, 0, 0, 3});
  unplugged.row.oper_status = 2;  // IfOperStatusDown
  FakeInterface lower_down = EthernetInterface(4, {0x02, 0, 0, 0, 0, 4});
  lower_down.row.oper_status = 7;  // IfOperStatusLowerLayerDown
  lower_down.row.interface_and_oper_status_flags = 0x11;
  port_.interfaces = {wireless, virtual_adapter, unplugged, lower_down};
  EXPECT_EQ(
      Build(),
      Inventory(0,
                Adapter(true, true, "{GUID-1}", 71, "02:00:00:00:00:01", "Ethernet 1") + "," +
                    Adapter(true, false, "{GUID-2}", 6, "02:00:00:00:00:02", "Ethernet 2") + "," +
                    Adapter(false, true, "{GUID-3}", 6, "02:00:00:00:00:03", "Ethernet 3") + "," +
                    Adapter(false, true, "{GUID-4}", 6, "02:00:00:00:00:04", "Ethernet 4")));
}

TEST_F(AdapterInventoryTest, NamesConvertLenientlyAndIdsPassByteForByte) {
  FakeInterface adapter = EthernetInterface(1, {1, 2, 3, 4, 5, 6});
  adapter.record.friendly_name = u"\u4EE5\u592A\u7F51 2 \xD800";  // "以太网 2" and a lone surrogate
  adapter.record.adapter_name = "{id\xFF}";
  FakeInterface unnamed = EthernetInterface(2, {1, 2, 3, 4, 5, 7});
  unnamed.record.friendly_name.clear();
  unnamed.record.adapter_name.clear();
  port_.interfaces = {adapter, unnamed};
  EXPECT_EQ(
      Build(),
      Inventory(0, Adapter(true, true, "{id\\xff}", 6, "01:02:03:04:05:06",
                           "\\xe4\\xbb\\xa5\\xe5\\xa4\\xaa\\xe7\\xbd\\x91 2 \\xef\\xbf\\xbd") +
                       "," + Adapter(true, true, "", 6, "01:02:03:04:05:07", "")));
}

TEST_F(AdapterInventoryTest, QueryErrorWidensTheCodeAsUnsigned) {
  EXPECT_EQ(Describe(tesso::MakeQueryError("GetIfEntry2", 0xFFFFFFFFu)),
            QueryError("GetIfEntry2", 4294967295));
  EXPECT_EQ(Describe(tesso::MakeQueryError("GetAdaptersAddresses", 0)),
            QueryError("GetAdaptersAddresses", 0));
}

}  // namespace
}  // namespace tesso_test
