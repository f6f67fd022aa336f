// Input injection's seam to Windows: SendInput and the few queries around it. Each method is
// one platform call; every event, flag, order, retry and pause is decided by the caller. The
// Win32 adapter is stateless and is called from the capture worker.
#ifndef TESSO_INPUT_INPUT_PORT_H_
#define TESSO_INPUT_INPUT_PORT_H_

#include <cstdint>
#include <vector>

#include "base/handles.h"

namespace tesso {

constexpr uint32_t kInputMouse = 0;     // INPUT_MOUSE
constexpr uint32_t kInputKeyboard = 1;  // INPUT_KEYBOARD

// The fields of MOUSEINPUT. mouse_data is signed here: it carries the wheel delta.
struct MouseRecord {
  int32_t dx = 0;
  int32_t dy = 0;
  int32_t mouse_data = 0;
  uint32_t flags = 0;
  uint32_t time = 0;
  uint64_t extra = 0;

  bool operator==(const MouseRecord& other) const {
    return dx == other.dx && dy == other.dy && mouse_data == other.mouse_data &&
           flags == other.flags && time == other.time && extra == other.extra;
  }
};

// The fields of KEYBDINPUT.
struct KeyboardRecord {
  uint16_t virtual_key = 0;  // wVk
  uint16_t scan = 0;         // wScan
  uint32_t flags = 0;
  uint32_t time = 0;
  uint64_t extra = 0;

  bool operator==(const KeyboardRecord& other) const {
    return virtual_key == other.virtual_key && scan == other.scan && flags == other.flags &&
           time == other.time && extra == other.extra;
  }
};

// One INPUT: `type` says which of the two records the adapter copies; the other is ignored and
// stays zero.
struct InputRecord {
  uint32_t type = kInputMouse;
  MouseRecord mouse;
  KeyboardRecord keyboard;

  bool operator==(const InputRecord& other) const {
    return type == other.type && mouse == other.mouse && keyboard == other.keyboard;
  }
  bool operator!=(const InputRecord& other) const { return !(*this == other); }
};

class InputPort {
 public:
  virtual ~InputPort() = default;
  // SendInput(count, records, sizeof(INPUT)) with every record, in order, in one call: the
  // number of records Windows inserted into the input stream (0 when it refused them all).
  virtual uint32_t SendInput(const std::vector<InputRecord>& records) = 0;
  // WindowFromPoint at the virtual-screen pixel (x, y); kNone when no window is there.
  virtual WindowHandle WindowFromPoint(int32_t x, int32_t y) = 0;
  // GetCursorPos: false, with *x and *y untouched, when the position cannot be read.
  virtual bool GetCursorPos(int32_t* x, int32_t* y) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  // MapVirtualKeyW(code, map_type).
  virtual uint32_t MapVirtualKeyW(uint32_t code, uint32_t map_type) = 0;
  // SetThreadExecutionState(flags): the previous state, 0 on failure.
  virtual uint32_t SetThreadExecutionState(uint32_t flags) = 0;
  // Sleep(milliseconds): blocks the calling thread.
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_PORT_H_
