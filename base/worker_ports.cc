#include "base/worker_ports.h"

#include <chrono>
#include <new>
#include <system_error>
#include <utility>

namespace tesso {

bool StdWorkerStarter::Start(std::function<void()> body, std::thread* worker) {
  try {
    *worker = std::thread(std::move(body));
  } catch (const std::system_error&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

int64_t StdSteadyClock::NowNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace tesso
