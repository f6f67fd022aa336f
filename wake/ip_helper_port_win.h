// The IP Helper port on Windows: each method is the Windows call of the same name. Win32
// build only.
#ifndef TESSO_WAKE_IP_HELPER_PORT_WIN_H_
#define TESSO_WAKE_IP_HELPER_PORT_WIN_H_

#include <cstdint>
#include <vector>

#include "wake/ip_helper_port.h"

namespace tesso {

class IpHelperPortWin : public IpHelperPort {
 public:
  uint32_t GetAdaptersAddresses(uint32_t family, uint32_t flags, uint8_t* buffer,
                                uint32_t* size) override;
  std::vector<AdapterRecord> ReadAdapterList(const uint8_t* buffer) override;
  uint32_t GetIfEntry2(InterfaceRow* row) override;
};

}  // namespace tesso

#endif  // TESSO_WAKE_IP_HELPER_PORT_WIN_H_
