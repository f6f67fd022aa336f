// The mouse and keyboard events that injection sends, and the two ways of inserting one event:
// once, or with retries for the releases that must not be lost. Worker thread.
#ifndef TESSO_INPUT_INPUT_EVENTS_H_
#define TESSO_INPUT_INPUT_EVENTS_H_

#include <cstdint>

#include "input/input_port.h"

namespace tesso {

constexpr uint32_t kMouseEventMove = 0x0001;
constexpr uint32_t kMouseEventLeftDown = 0x0002;
constexpr uint32_t kMouseEventLeftUp = 0x0004;
constexpr uint32_t kMouseEventRightDown = 0x0008;
constexpr uint32_t kMouseEventRightUp = 0x0010;
constexpr uint32_t kMouseEventWheel = 0x0800;
constexpr uint32_t kMouseEventVirtualDesk = 0x4000;
constexpr uint32_t kMouseEventAbsolute = 0x8000;
// Every positioned event: a move in the 0 ... 65535 space of the whole virtual screen.
constexpr uint32_t kMouseEventPositioned =
    kMouseEventMove | kMouseEventVirtualDesk | kMouseEventAbsolute;

constexpr uint32_t kKeyEventExtendedKey = 0x0001;
constexpr uint32_t kKeyEventKeyUp = 0x0002;
constexpr uint32_t kKeyEventUnicode = 0x0004;

// A mouse INPUT with time and extra information 0.
InputRecord MouseEvent(int32_t dx, int32_t dy, int32_t mouse_data, uint32_t flags);
// A keyboard INPUT with time and extra information 0.
InputRecord KeyboardEvent(uint16_t virtual_key, uint16_t scan, uint32_t flags);

// One SendInput call with `event` alone: true when Windows inserted it.
bool SendMouseInput(InputPort& port, const InputRecord& event);
// Up to 3 SendInput calls with `event` alone, 20 ms after each one that is refused (the third
// included): true at the first that inserts it. Every button and key release goes through
// here, so that nothing stays pressed while Windows accepts input at all.
bool SendInputWithRetry(InputPort& port, const InputRecord& event);

}  // namespace tesso

#endif  // TESSO_INPUT_INPUT_EVENTS_H_
