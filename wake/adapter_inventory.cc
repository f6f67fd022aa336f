#include "wake/adapter_inventory.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "base/string_conversions.h"

namespace tesso {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr size_t kMacLength = 6;

EncodableValue AdapterMap(const AdapterRecord& record, const InterfaceRow& row) {
  return EncodableValue(EncodableMap{
      {EncodableValue("id"), EncodableValue(record.adapter_name)},
      {EncodableValue("name"), EncodableValue(WideToUtf8(record.friendly_name))},
      {EncodableValue("mac"), EncodableValue(FormatMac(row))},
      {EncodableValue("if_type"), EncodableValue(static_cast<int32_t>(row.type))},
      {EncodableValue("hardware"),
       EncodableValue((row.interface_and_oper_status_flags & kHardwareInterfaceFlag) != 0)},
      {EncodableValue("connected"), EncodableValue(row.oper_status == kIfOperStatusUp)},
  });
}

}  // namespace

EncodableValue MakeQueryError(const std::string& api, uint32_t code) {
  return EncodableValue(EncodableMap{
      {EncodableValue("api"), EncodableValue(api)},
      {EncodableValue("code"), EncodableValue(static_cast<int64_t>(code))},
  });
}

std::string FormatMac(const InterfaceRow& row) {
  // 17 characters and the terminator.
  char text[18];
  const auto& a = row.physical_address;
  std::snprintf(text, sizeof(text), "%02X:%02X:%02X:%02X:%02X:%02X", a[0], a[1], a[2], a[3], a[4],
                a[5]);
  return std::string(text);
}

EncodableValue BuildAdapterInventory(IpHelperPort& ip_helper, bool* failed) {
  std::vector<uint8_t> buffer(kInitialListBufferSize);
  uint32_t size = kInitialListBufferSize;
  uint32_t rc = kNoError;
  for (int calls = 0; calls < kMaxListCalls; ++calls) {
    // Each retry offers the size the previous call asked for; new bytes are zero.
    buffer.resize(size);
    rc = ip_helper.GetAdaptersAddresses(kAfUnspec, kListFlags, buffer.data(), &size);
    if (rc != kErrorBufferOverflow) break;
  }
  if (rc != kNoError && rc != kErrorNoData) {
    *failed = true;
    return MakeQueryError("GetAdaptersAddresses", rc);
  }

  int32_t visited = 0;
  int32_t errors = 0;
  uint32_t last = kNoError;
  EncodableList adapters;
  if (rc == kNoError) {
    for (const AdapterRecord& record : ip_helper.ReadAdapterList(buffer.data())) {
      ++visited;
      InterfaceRow row;
      row.interface_luid = record.luid;
      last = ip_helper.GetIfEntry2(&row);
      if (last != kNoError) {
        ++errors;
        continue;
      }
      // Loopback, tunnels and anything else without a six-byte address cannot be woken.
      if (row.physical_address_length != kMacLength) continue;
      adapters.push_back(AdapterMap(record, row));
    }
  }
  if (visited > 0 && errors == visited) {
    *failed = true;
    return MakeQueryError("GetIfEntry2", last);
  }
  return EncodableValue(EncodableMap{
      {EncodableValue("schema"), EncodableValue(int32_t{1})},
      {EncodableValue("source"), EncodableValue("ip_helper")},
      {EncodableValue("query_errors"), EncodableValue(errors)},
      {EncodableValue("adapters"), EncodableValue(std::move(adapters))},
  });
}

}  // namespace tesso
