#include "tests/fakes/fake_display_port.h"

namespace tesso_test {

FakeMonitor Monitor(uintptr_t handle, int32_t left, int32_t top, int32_t width, int32_t height,
                    bool primary) {
  FakeMonitor monitor;
  monitor.handle = static_cast<tesso::MonitorHandle>(handle);
  monitor.info.left = left;
  monitor.info.top = top;
  monitor.info.right = left + width;
  monitor.info.bottom = top + height;
  monitor.info.flags = primary ? 1 : 0;
  return monitor;
}

std::vector<tesso::MonitorHandle> FakeDisplayPort::EnumDisplayMonitors() {
  calls.push_back("EnumDisplayMonitors()");
  std::vector<tesso::MonitorHandle> handles;
  for (const FakeMonitor& monitor : monitors) handles.push_back(monitor.handle);
  return handles;
}

bool FakeDisplayPort::GetMonitorInfoW(tesso::MonitorHandle monitor, uint32_t size,
                                      tesso::MonitorInfo* info) {
  const bool zeroed = info->left == 0 && info->top == 0 && info->right == 0 && info->bottom == 0 &&
                      info->flags == 0;
  calls.push_back("GetMonitorInfoW(" + std::to_string(static_cast<uintptr_t>(monitor)) + ", " +
                  std::to_string(size) + ")" + (zeroed ? "" : " not zeroed"));
  for (const FakeMonitor& fake : monitors) {
    if (fake.handle != monitor) continue;
    if (fake.info_fails) return false;
    *info = fake.info;
    return true;
  }
  return false;
}

int32_t FakeDisplayPort::GetSystemMetrics(int32_t index) {
  calls.push_back("GetSystemMetrics(" + std::to_string(index) + ")");
  const auto found = metrics.find(index);
  return found == metrics.end() ? 0 : found->second;
}

}  // namespace tesso_test
