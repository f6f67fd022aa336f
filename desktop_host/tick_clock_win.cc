#include "desktop_host/tick_clock_win.h"

#include <windows.h>

namespace tesso {

uint64_t TickClockWin::GetTickCount64() { return ::GetTickCount64(); }

}  // namespace tesso
