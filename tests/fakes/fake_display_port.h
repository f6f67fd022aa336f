// A display port with scripted monitors (each may fail GetMonitorInfoW) and system metrics
// (0 when not listed); every call is recorded as text.
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
  bool info_fails = false;
};

// `width` x `height` at (left, top); the flags carry only the primary bit.
inline FakeMonitor Monitor(uintptr_t handle, int32_t left, int32_t top, int32_t width,
                           int32_t height, bool primary = false) {
  return {static_cast<tesso::MonitorHandle>(handle),
          {left, top, left + width, top + height, primary ? 1u : 0u}};
}

class FakeDisplayPort : public tesso::DisplayPort {
 public:
  std::vector<FakeMonitor> monitors;  // in the order EnumDisplayMonitors reports them
  std::map<int32_t, int32_t> metrics;
  std::vector<std::string> calls;

  std::vector<tesso::MonitorHandle> EnumDisplayMonitors() override {
    calls.push_back("EnumDisplayMonitors");
    std::vector<tesso::MonitorHandle> handles;
    for (const FakeMonitor& monitor : monitors) handles.push_back(monitor.handle);
    return handles;
  }
  bool GetMonitorInfoW(tesso::MonitorHandle handle, uint32_t size,
                       tesso::MonitorInfo* info) override {
    calls.push_back("GetMonitorInfoW " + std::to_string(static_cast<uintptr_t>(handle)) + " " +
                    std::to_string(size));
    for (const FakeMonitor& monitor : monitors) {
      if (monitor.handle != handle) continue;
      if (!monitor.info_fails) *info = monitor.info;
      return !monitor.info_fails;
    }
    return false;
  }
  int32_t GetSystemMetrics(int32_t index) override {
    calls.push_back("GetSystemMetrics " + std::to_string(index));
    return metrics.count(index) ? metrics[index] : 0;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_
