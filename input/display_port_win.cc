#include "input/display_port_win.h"

#include <windows.h>

#include <new>

namespace tesso {
namespace {

// Windows calls back into C: no exception may leave, so a list that cannot grow ends the
// enumeration with the monitors gathered so far.
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM context) noexcept {
  try {
    reinterpret_cast<std::vector<MonitorHandle>*>(context)->push_back(
        static_cast<MonitorHandle>(reinterpret_cast<uintptr_t>(monitor)));
    return TRUE;
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
}

}  // namespace

std::vector<MonitorHandle> DisplayPortWin::EnumDisplayMonitors() {
  std::vector<MonitorHandle> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

bool DisplayPortWin::GetMonitorInfoW(MonitorHandle monitor, uint32_t size, MonitorInfo* info) {
  // The largest record a size may ask for, so that Windows never writes past it.
  MONITORINFOEXW record{};
  if (size > sizeof(record)) return false;
  record.cbSize = size;
  if (!::GetMonitorInfoW(reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(monitor)), &record)) {
    return false;
  }
  info->left = record.rcMonitor.left;
  info->top = record.rcMonitor.top;
  info->right = record.rcMonitor.right;
  info->bottom = record.rcMonitor.bottom;
  info->flags = record.dwFlags;
  return true;
}

int32_t DisplayPortWin::GetSystemMetrics(int32_t index) { return ::GetSystemMetrics(index); }

}  // namespace tesso
