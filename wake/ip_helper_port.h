// The wake service's seam to IP Helper: the two Windows calls that list the network
// interfaces and read one interface's row. Each method is one platform call with portable
// records; the buffer sizes, retries, flags and what is read from the results are the
// caller's. Called on the wake query worker, one query at a time.
#ifndef TESSO_WAKE_IP_HELPER_PORT_H_
#define TESSO_WAKE_IP_HELPER_PORT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tesso {

// Windows error codes the inventory tells apart.
constexpr uint32_t kNoError = 0;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorBufferOverflow = 111;
constexpr uint32_t kErrorNoData = 232;

// GetAdaptersAddresses arguments.
constexpr uint32_t kAfUnspec = 0;
constexpr uint32_t kGaaFlagSkipAnycast = 0x2;
constexpr uint32_t kGaaFlagSkipMulticast = 0x4;
constexpr uint32_t kGaaFlagSkipDnsServer = 0x8;
constexpr uint32_t kGaaFlagIncludeAllInterfaces = 0x100;

// MIB_IF_ROW2 values.
constexpr uint32_t kIfOperStatusUp = 1;
constexpr uint8_t kHardwareInterfaceFlag = 0x1;  // bit 0 of InterfaceAndOperStatusFlags
constexpr size_t kMaxPhysicalAddressLength = 32;

// What is read of one IP_ADAPTER_ADDRESSES record.
struct AdapterRecord {
  std::string adapter_name;      // AdapterName byte for byte; empty when null
  std::u16string friendly_name;  // FriendlyName up to its NUL; empty when null
  uint64_t luid = 0;             // Luid.Value
};

// What is written to and read from one MIB_IF_ROW2.
struct InterfaceRow {
  uint64_t interface_luid = 0;  // in: the interface asked for
  uint32_t physical_address_length = 0;
  std::array<uint8_t, kMaxPhysicalAddressLength> physical_address = {};
  uint32_t type = 0;
  uint8_t interface_and_oper_status_flags = 0;  // the eight flag bits, HardwareInterface first
  uint32_t oper_status = 0;
};

class IpHelperPort {
 public:
  virtual ~IpHelperPort() = default;

  // GetAdaptersAddresses(family, flags, no reserved argument, buffer, size). `buffer` holds
  // at least *size bytes and stays owned by the caller. Returns the Windows error code; after
  // kErrorBufferOverflow, *size is the size needed.
  virtual uint32_t GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                        uint32_t* size) = 0;

  // The records of the list that a successful GetAdaptersAddresses wrote at the start of
  // `buffer`, from the first along Next, in list order. Only valid after kNoError.
  virtual std::vector<AdapterRecord> ReadAdapterList(const uint8_t* buffer) = 0;

  // GetIfEntry2 on a row that is all zero except InterfaceLuid := row->interface_luid.
  // Returns the Windows error code; on kNoError the row's other fields are the ones read.
  virtual uint32_t GetIfEntry2(InterfaceRow* row) = 0;
};

}  // namespace tesso

#endif  // TESSO_WAKE_IP_HELPER_PORT_H_
