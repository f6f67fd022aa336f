// The tick clock on Windows.
#ifndef TESSO_DESKTOP_HOST_TICK_CLOCK_WIN_H_
#define TESSO_DESKTOP_HOST_TICK_CLOCK_WIN_H_

#include "desktop_host/tick_clock.h"

namespace tesso {

class TickClockWin : public TickClock {
 public:
  uint64_t GetTickCount64() override;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_TICK_CLOCK_WIN_H_
