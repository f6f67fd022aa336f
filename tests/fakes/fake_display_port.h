// A display port with scripted monitors (each may fail GetMonitorInfoW) and system metrics (0
// when not listed), recording every call as text.
#ifndef TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "input/display_port.h"

namespace tesso_test {

struct FakeMonitor {
  tesso::MonitorHandle handle;
  tesso::MonitorInfo info;
  bool info_fails = false;
};

// `width` x `height` at (left, top); the flags carry only the primary bit.
inline FakeMonitor Monitor(uintptr_t handle, int32_t left, int32_t top, int32_t width,
                           int32_t height, bool primary = false) {
  return {tesso::MonitorHandle{handle}, {left, top, left + width, top + height, primary ? 1u : 0}};
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
    calls.push_back("GetMonitorInfoW " + std::to_string(uintptr_t(handle)) + " " +
                    std::to_string(size));
    for (const FakeMonitor& m : monitors) {
      if (m.handle == handle && !m.info_fails) return *info = m.info, true;
    }
    return false;
  }
  int32_t GetSystemMetrics(int32_t index) override {
    calls.push_back("GetSystemMetrics " + std::to_string(index));
    return metrics[index];
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DISPLAY_PORT_H_
