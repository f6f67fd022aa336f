// The wake service's seams, gathered: IP Helper, and the worker's poster, starter and clock.
#ifndef TESSO_WAKE_WAKE_PORTS_H_
#define TESSO_WAKE_WAKE_PORTS_H_

#include <memory>

#include "base/worker_ports.h"
#include "wake/ip_helper_port.h"

namespace tesso {

// What WindowsWakeChannel needs besides the messenger. The service keeps them alive until its
// worker is joined; a test may hold on to its fakes to read them afterwards.
struct WakePorts {
  std::shared_ptr<IpHelperPort> ip_helper;
  std::shared_ptr<MessagePoster> poster;
  std::shared_ptr<WorkerStarter> worker_starter;
  std::shared_ptr<SteadyClock> clock;
};

}  // namespace tesso

#endif  // TESSO_WAKE_WAKE_PORTS_H_
