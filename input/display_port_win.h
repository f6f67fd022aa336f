// The display port on Windows: EnumDisplayMonitors, GetMonitorInfoW, GetSystemMetrics.
#ifndef TESSO_INPUT_DISPLAY_PORT_WIN_H_
#define TESSO_INPUT_DISPLAY_PORT_WIN_H_

#include <cstdint>
#include <vector>

#include "input/display_port.h"

namespace tesso {

class DisplayPortWin : public DisplayPort {
 public:
  std::vector<MonitorHandle> EnumDisplayMonitors() override;
  bool GetMonitorInfoW(MonitorHandle monitor, uint32_t size, MonitorInfo* info) override;
  int32_t GetSystemMetrics(int32_t index) override;
};

}  // namespace tesso

#endif  // TESSO_INPUT_DISPLAY_PORT_WIN_H_
