// The IP Helper adapter against Wine's own IP Helper: the buffer protocol (the inventory's
// first buffer is large enough end to end) and the rows of the records it reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "wake/adapter_inventory.h"
#include "wake/ip_helper_port_win.h"

namespace {

TEST(WakeIpHelperPortWin, ListsRecordsWhoseRowsDescribeThemAndRefusesTheUnknown) {
  tesso::IpHelperPortWin port;
  std::vector<uint8_t> buffer(1);
  uint32_t size = 1;
  ASSERT_EQ(port.GetAdaptersAddresses(tesso::kAfUnspec, tesso::kListFlags, buffer.data(), &size),
            tesso::kErrorBufferOverflow);
  ASSERT_GT(size, 1u);  // the size needed
  buffer.resize(size);
  ASSERT_EQ(port.GetAdaptersAddresses(tesso::kAfUnspec, tesso::kListFlags, buffer.data(), &size),
            tesso::kNoError);
  for (const tesso::AdapterRecord& record : port.ReadAdapterList(buffer.data())) {
    tesso::InterfaceRow row;
    row.interface_luid = record.luid;
    ASSERT_EQ(port.GetIfEntry2(&row), tesso::kNoError) << record.adapter_name;
    EXPECT_EQ(row.interface_luid, record.luid);
    EXPECT_TRUE(row.type != 24 || row.physical_address_length == 0);  // loopback: none
  }
  tesso::InterfaceRow unknown;
  unknown.interface_luid = 0x7FFF000000000000ULL;
  EXPECT_NE(port.GetIfEntry2(&unknown), tesso::kNoError);
}

}  // namespace
