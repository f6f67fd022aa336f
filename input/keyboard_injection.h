// Keyboard and text injection for "performKeyPress", "typeText" and "wakeDisplay". Key codes are
// Windows virtual keys as the viewer sends them; only the four modifier names are translated.
// The argument check runs on the UI thread; the jobs run on the capture worker.
#ifndef TESSO_INPUT_KEYBOARD_INJECTION_H_
#define TESSO_INPUT_KEYBOARD_INJECTION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "input/input_job.h"
#include "input/input_ports.h"
#include "messaging/encodable_value.h"

namespace tesso {

// True for the keys Windows needs KEYEVENTF_EXTENDEDKEY for: page up/down, end, home, the
// arrows, insert, delete and both Windows keys.
bool IsExtendedKey(uint16_t virtual_key);

// Presses the modifiers in order, presses and releases `key_code`, releases the modifiers in
// reverse order, all in one SendInput call. When Windows does not insert everything, the key
// and the modifiers are released one by one with retries and the answer is false.
bool KeyPressJob(InputPorts ports, uint16_t key_code, const std::vector<uint16_t>& modifiers);

// Types 1 ... 4096 UTF-16 units as Unicode character events, in batches of about 64 events
// that never split a surrogate pair; CR is skipped, tab and LF go as the Tab and Enter keys.
bool TypeTextJob(InputPorts ports, const std::u16string& text);

// Resets the display's idle timer and nudges the pointer one pixel sideways and back, inward
// first where the next pixel is off every display, so that it ends where it was; asks no
// guard.
bool WakeDisplayJob(InputPorts ports);

InputJob MakeTypeTextJob(InputPorts ports, std::u16string text);
InputJob MakeWakeDisplayJob(InputPorts ports);

// "typeText" on the UI thread: replies success(false) at once, before converting or copying
// anything, when `utf8` cannot fit in 4096 UTF-16 units (more than 4 x 4096 bytes), and after
// converting when it does not; otherwise hands `run_input_job` a TypeTextJob. Text that is
// not UTF-8 becomes empty, and its job yields false.
void HandleTypeText(const std::string& utf8, SharedMethodResult result, InputPorts ports,
                    const RunInputJobFunction& run_input_job);

// "performKeyPress" on the UI thread: replies success(false) through `result` when the key code
// or a modifier is unusable, otherwise hands `run_input_job` a KeyPressJob.
void HandlePerformKeyPress(const flutter::EncodableMap& args, SharedMethodResult result,
                           InputPorts ports, const RunInputJobFunction& run_input_job);

}  // namespace tesso

#endif  // TESSO_INPUT_KEYBOARD_INJECTION_H_
