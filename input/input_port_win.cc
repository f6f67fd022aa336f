#include "input/input_port_win.h"

#include <windows.h>

namespace tesso {
namespace {

#ifdef _WIN64
static_assert(sizeof(INPUT) == 40, "SendInput is given 40-byte records");
#endif

WindowHandle FromHwnd(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window));
}

INPUT ToInput(const InputRecord& record) {
  INPUT input = {};
  input.type = record.type;
  if (record.type == INPUT_KEYBOARD) {
    input.ki.wVk = record.keyboard.virtual_key;
    input.ki.wScan = record.keyboard.scan;
    input.ki.dwFlags = record.keyboard.flags;
    input.ki.time = record.keyboard.time;
    input.ki.dwExtraInfo = static_cast<ULONG_PTR>(record.keyboard.extra);
  } else {
    input.mi.dx = record.mouse.dx;
    input.mi.dy = record.mouse.dy;
    input.mi.mouseData = static_cast<DWORD>(record.mouse.mouse_data);
    input.mi.dwFlags = record.mouse.flags;
    input.mi.time = record.mouse.time;
    input.mi.dwExtraInfo = static_cast<ULONG_PTR>(record.mouse.extra);
  }
  return input;
}

}  // namespace

uint32_t InputPortWin::SendInput(const std::vector<InputRecord>& records) {
  std::vector<INPUT> inputs;
  inputs.reserve(records.size());
  for (const InputRecord& record : records) inputs.push_back(ToInput(record));
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

WindowHandle InputPortWin::WindowFromPoint(int32_t x, int32_t y) {
  return FromHwnd(::WindowFromPoint(POINT{x, y}));
}

bool InputPortWin::GetCursorPos(int32_t* x, int32_t* y) {
  POINT point = {};
  if (!::GetCursorPos(&point)) return false;
  *x = point.x;
  *y = point.y;
  return true;
}

WindowHandle InputPortWin::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

uint32_t InputPortWin::MapVirtualKeyW(uint32_t code, uint32_t map_type) {
  return ::MapVirtualKeyW(code, map_type);
}

uint32_t InputPortWin::SetThreadExecutionState(uint32_t flags) {
  return ::SetThreadExecutionState(flags);
}

void InputPortWin::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace tesso
