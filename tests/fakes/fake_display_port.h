// A display port for the catalogue tests: scripted monitors (each with its MONITORINFO or a
// failing GetMonitorInfoW) and system metrics; records every call as text.
#ifndef TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "input/display_port.h"

namespace tesso_test {

struct FakeMonitor {
  tesso::MonitorHandle handle = tesso::MonitorHandle::kNone;
  tesso::MonitorInfo info;
  bool info_fails = false;  // GetMonitorInfoW fails for this monitor
};

// A monitor of `width` x `height` at (left, top); its flags carry only the primary bit.
FakeMonitor Monitor(uintptr_t handle, int32_t left, int32_t top, int32_t width, int32_t height,
                    bool primary = false);

class FakeDisplayPort : public tesso::DisplayPort {
 public:
  // Script: the monitors in the order EnumDisplayMonitors reports them, and the metrics
  // (an index not listed answers 0).
  std::vector<FakeMonitor> monitors;
  std::map<int32_t, int32_t> metrics;

  // Every call, in order: "EnumDisplayMonitors()", "GetMonitorInfoW(<handle>, <size>)" (with
  // " not zeroed" appended when the record handed in was not all zero) and
  // "GetSystemMetrics(<index>)".
  std::vector<std::string> calls;

  std::vector<tesso::MonitorHandle> EnumDisplayMonitors() override;
  bool GetMonitorInfoW(tesso::MonitorHandle monitor, uint32_t size,
                       tesso::MonitorInfo* info) override;
  int32_t GetSystemMetrics(int32_t index) override;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_
