// The capture engine's clock: milliseconds since the system started, for the duplication
// back-off and the first-frame wait.
#ifndef TESSO_DESKTOP_HOST_TICK_CLOCK_H_
#define TESSO_DESKTOP_HOST_TICK_CLOCK_H_

#include <cstdint>

namespace tesso {

class TickClock {
 public:
  virtual ~TickClock() = default;
  // GetTickCount64.
  virtual uint64_t GetTickCount64() = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_TICK_CLOCK_H_
