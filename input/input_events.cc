#include "input/input_events.h"

namespace tesso {
namespace {

constexpr int kReleaseAttempts = 3;
constexpr uint32_t kPauseAfterRefusedReleaseMs = 20;

}  // namespace

InputRecord MouseEvent(int32_t dx, int32_t dy, int32_t mouse_data, uint32_t flags) {
  InputRecord record;
  record.type = kInputMouse;
  record.mouse.dx = dx;
  record.mouse.dy = dy;
  record.mouse.mouse_data = mouse_data;
  record.mouse.flags = flags;
  return record;
}

InputRecord KeyboardEvent(uint16_t virtual_key, uint16_t scan, uint32_t flags) {
  InputRecord record;
  record.type = kInputKeyboard;
  record.keyboard.virtual_key = virtual_key;
  record.keyboard.scan = scan;
  record.keyboard.flags = flags;
  return record;
}

bool SendMouseInput(InputPort& port, const InputRecord& event) {
  return port.SendInput({event}) == 1;
}

bool SendInputWithRetry(InputPort& port, const InputRecord& event) {
  for (int attempt = 0; attempt < kReleaseAttempts; ++attempt) {
    if (port.SendInput({event}) == 1) return true;
    port.Sleep(kPauseAfterRefusedReleaseMs);
  }
  return false;
}

}  // namespace tesso
