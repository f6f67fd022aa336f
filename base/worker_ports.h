// The seams of a service that runs work on a thread of its own: posting its completion
// message to the top-level window, starting the thread, and a steady clock.
#ifndef TESSO_BASE_WORKER_PORTS_H_
#define TESSO_BASE_WORKER_PORTS_H_

#include <cstdint>
#include <functional>
#include <thread>

#include "base/handles.h"

namespace tesso {

class MessagePoster {
 public:
  virtual ~MessagePoster() = default;
  // PostMessageW; any thread. False when Windows did not queue the message.
  virtual bool PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                            int64_t lparam) = 0;
};

class WorkerStarter {
 public:
  virtual ~WorkerStarter() = default;
  // Starts `body` on a new thread held by *worker, which must not be joinable. False, with
  // *worker untouched and `body` never run, when no thread can be started.
  virtual bool Start(std::function<void()> body, std::thread* worker) = 0;
};

class SteadyClock {
 public:
  virtual ~SteadyClock() = default;
  // A monotonic time in nanoseconds; any thread.
  virtual int64_t NowNanoseconds() = 0;
};

// std::thread; a refused thread (std::system_error) or no memory for it is reported as false.
class StdWorkerStarter : public WorkerStarter {
 public:
  bool Start(std::function<void()> body, std::thread* worker) override;
};

// std::chrono::steady_clock.
class StdSteadyClock : public SteadyClock {
 public:
  int64_t NowNanoseconds() override;
};

}  // namespace tesso

#endif  // TESSO_BASE_WORKER_PORTS_H_
