// The network adapter inventory: the interfaces with a six-byte hardware address, read
// through IP Helper. Runs on the wake query worker; keeps no state between calls.
#ifndef TESSO_WAKE_ADAPTER_INVENTORY_H_
#define TESSO_WAKE_ADAPTER_INVENTORY_H_

#include <cstdint>
#include <string>

#include "messaging/encodable_value.h"
#include "wake/ip_helper_port.h"

namespace tesso {

// The first list query offers this many bytes; growth is bounded at kMaxListCalls calls.
constexpr uint32_t kInitialListBufferSize = 16384;
constexpr int kMaxListCalls = 3;
// Unicast addresses are still requested (and not used); all NDIS interfaces are listed.
constexpr uint32_t kListFlags = kGaaFlagSkipAnycast | kGaaFlagSkipMulticast |
                                kGaaFlagSkipDnsServer | kGaaFlagIncludeAllInterfaces;

// {"schema": 1, "source": "ip_helper", "query_errors": n, "adapters": [...]}, or the query-error
// map with *failed set to true when the list query failed or every interface's row query
// failed. *failed is left alone otherwise. Memory exhaustion leaves as std::bad_alloc.
flutter::EncodableValue BuildAdapterInventory(IpHelperPort& ip_helper, bool* failed);

// {"api": name, "code": code widened to int64}.
flutter::EncodableValue MakeQueryError(const std::string& api, uint32_t code);

// The first six address bytes as "%02X:%02X:%02X:%02X:%02X:%02X".
std::string FormatMac(const InterfaceRow& row);

}  // namespace tesso

#endif  // TESSO_WAKE_ADAPTER_INVENTORY_H_
