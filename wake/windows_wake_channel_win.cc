#include "wake/windows_wake_channel_win.h"

#include <cstdint>
#include <utility>

#include "base/message_poster_win.h"
#include "wake/ip_helper_port_win.h"
#include "wake/wake_ports.h"

namespace tesso {

std::unique_ptr<WindowsWakeChannel> MakeWindowsWakeChannel(flutter::BinaryMessenger* messenger,
                                                           HWND window) {
  WakePorts ports;
  ports.ip_helper = std::make_shared<IpHelperPortWin>();
  ports.poster = std::make_shared<MessagePosterWin>();
  ports.worker_starter = std::make_shared<StdWorkerStarter>();
  ports.clock = std::make_shared<StdSteadyClock>();
  return std::make_unique<WindowsWakeChannel>(
      messenger, static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window)), std::move(ports));
}

}  // namespace tesso
