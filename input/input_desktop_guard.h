// The two checks that capture and input injection ask before acting: whether the desktop that
// receives input is the user's, and whether a window belongs to a process of higher integrity.
// Pure queries: no state, no handle kept between calls; every doubt answers "not blocked".
#ifndef TESSO_INPUT_INPUT_DESKTOP_GUARD_H_
#define TESSO_INPUT_INPUT_DESKTOP_GUARD_H_

#include <cstdint>

#include "base/handles.h"
#include "input/session_port.h"

namespace tesso {

enum class InputDesktopState : int32_t {
  NormalDesktop = 0,  // the user's desktop, or the guard cannot tell otherwise
  SessionLocked = 1,  // another desktop has the input and the workstation is locked
  SecureDesktop = 2,  // another desktop has the input and the session is not reported locked
};

InputDesktopState GetInputDesktopState(SessionPort& port);
// True only when Windows reports the current logon session as locked.
bool IsSessionLocked(SessionPort& port);
// The last sub-authority of the process token's integrity label; false when it cannot be read.
bool GetIntegrityLevel(SessionPort& port, ProcessHandle process, uint32_t* level);
// True only when `window` belongs to another process whose integrity level was read and is
// strictly higher than this process's.
bool IsHigherIntegrityWindow(SessionPort& port, WindowHandle window);

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_DESKTOP_GUARD_H_
