// The input port on Windows: each method is the Windows call of the same name. Stateless, so
// one instance serves the capture worker for the life of the service. Win32 build only.
#ifndef TESSO_INPUT_INPUT_PORT_WIN_H_
#define TESSO_INPUT_INPUT_PORT_WIN_H_

#include <cstdint>
#include <vector>

#include "input/input_port.h"

namespace tesso {

class InputPortWin : public InputPort {
 public:
  uint32_t SendInput(const std::vector<InputRecord>& records) override;
  WindowHandle WindowFromPoint(int32_t x, int32_t y) override;
  bool GetCursorPos(int32_t* x, int32_t* y) override;
  WindowHandle GetForegroundWindow() override;
  uint32_t MapVirtualKeyW(uint32_t code, uint32_t map_type) override;
  uint32_t SetThreadExecutionState(uint32_t flags) override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_PORT_WIN_H_
