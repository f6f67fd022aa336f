#include "wake/ip_helper_port_win.h"

// In this order: winsock2.h before windows.h, and iphlpapi.h after both.
#include <winsock2.h>

#include <windows.h>
#include <ws2ipdef.h>

#include <iphlpapi.h>
#include <netioapi.h>

#include <cstddef>
#include <utility>

namespace tesso {
namespace {

static_assert(NO_ERROR == kNoError && ERROR_NOT_ENOUGH_MEMORY == kErrorNotEnoughMemory &&
              ERROR_BUFFER_OVERFLOW == kErrorBufferOverflow && ERROR_NO_DATA == kErrorNoData);
static_assert(AF_UNSPEC == kAfUnspec && GAA_FLAG_SKIP_ANYCAST == kGaaFlagSkipAnycast &&
              GAA_FLAG_SKIP_MULTICAST == kGaaFlagSkipMulticast &&
              GAA_FLAG_SKIP_DNS_SERVER == kGaaFlagSkipDnsServer &&
              GAA_FLAG_INCLUDE_ALL_INTERFACES == kGaaFlagIncludeAllInterfaces);
static_assert(IfOperStatusUp == kIfOperStatusUp);
static_assert(IF_MAX_PHYS_ADDRESS_LENGTH == kMaxPhysicalAddressLength);
static_assert(sizeof(wchar_t) == sizeof(char16_t));

}  // namespace

uint32_t IpHelperPortWin::GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                               uint32_t* size) {
  ULONG native_size = *size;
  const ULONG rc = ::GetAdaptersAddresses(
      family, flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer), &native_size);
  *size = native_size;
  return rc;
}

std::vector<AdapterRecord> IpHelperPortWin::ReadAdapterList(const uint8_t* buffer) {
  std::vector<AdapterRecord> records;
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer); adapter != nullptr;
       adapter = adapter->Next) {
    AdapterRecord record;
    if (adapter->AdapterName != nullptr) record.adapter_name = adapter->AdapterName;
    if (adapter->FriendlyName != nullptr) {
      record.friendly_name = reinterpret_cast<const char16_t*>(adapter->FriendlyName);
    }
    record.luid = adapter->Luid.Value;
    records.push_back(std::move(record));
  }
  return records;
}

uint32_t IpHelperPortWin::GetIfEntry2(InterfaceRow* row) {
  MIB_IF_ROW2 native = {};
  native.InterfaceLuid.Value = row->interface_luid;
  const DWORD rc = ::GetIfEntry2(&native);
  row->physical_address_length = native.PhysicalAddressLength;
  for (size_t i = 0; i < kMaxPhysicalAddressLength; ++i) {
    row->physical_address[i] = native.PhysicalAddress[i];
  }
  row->type = native.Type;
  const auto& flags = native.InterfaceAndOperStatusFlags;
  row->interface_and_oper_status_flags = static_cast<uint8_t>(
      (flags.HardwareInterface ? 0x01 : 0) | (flags.FilterInterface ? 0x02 : 0) |
      (flags.ConnectorPresent ? 0x04 : 0) | (flags.NotAuthenticated ? 0x08 : 0) |
      (flags.NotMediaConnected ? 0x10 : 0) | (flags.Paused ? 0x20 : 0) |
      (flags.LowPower ? 0x40 : 0) | (flags.EndPointInterface ? 0x80 : 0));
  row->oper_status = static_cast<uint32_t>(native.OperStatus);
  return rc;
}

}  // namespace tesso
