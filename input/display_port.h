// The display catalogue's seam to Windows: the monitors of the virtual screen and the
// system metrics. Each method is one platform call; every decision is the caller's. Any
// thread (the catalogue runs on the UI thread and on the capture worker).
#ifndef TESSO_INPUT_DISPLAY_PORT_H_
#define TESSO_INPUT_DISPLAY_PORT_H_

#include <cstdint>
#include <vector>

#include "base/handles.h"

namespace tesso {

// The fields of MONITORINFO that the catalogue reads.
struct MonitorInfo {
  int32_t left = 0;  // rcMonitor, virtual-screen pixels; right and bottom exclusive
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  uint32_t flags = 0;  // dwFlags
};

class DisplayPort {
 public:
  virtual ~DisplayPort() = default;
  // EnumDisplayMonitors with no device context and no clip rectangle: the monitor handles in
  // the order Windows calls back, possibly none.
  virtual std::vector<MonitorHandle> EnumDisplayMonitors() = 0;
  // GetMonitorInfoW with a MONITORINFO whose cbSize is `size`, otherwise zeroed; false (and
  // `info` untouched) when Windows fails.
  virtual bool GetMonitorInfoW(MonitorHandle monitor, uint32_t size, MonitorInfo* info) = 0;
  // GetSystemMetrics(index).
  virtual int32_t GetSystemMetrics(int32_t index) = 0;
};

}  // namespace tesso

#endif  // TESSO_INPUT_DISPLAY_PORT_H_
