// An input port that logs SendInput (with its records), Sleep and SetThreadExecutionState as
// text in one ordered list and answers from a script: how many records each SendInput call
// inserts, the cursor, the window at a pixel, the foreground window. A scan code is the virtual
// key + 0x100, so that it shows which key it came from.
#ifndef TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "input/input_port.h"

namespace tesso_test {

inline std::string Hex(uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

class FakeInputPort : public tesso::InputPort {
 public:
  std::map<size_t, uint32_t> inserted_by_call;  // 1-based SendInput call -> count; else all
  std::optional<std::pair<int32_t, int32_t>> cursor = std::make_pair(0, 0);  // none: fails
  std::map<std::pair<int32_t, int32_t>, uintptr_t> windows;  // 0 for a pixel not listed
  uintptr_t foreground = 0;
  // "SendInput(M dx dy data flags, K vk scan flags)" (flags, and keys, in hex), "Sleep(15)", ...
  std::vector<std::string> log;
  size_t sends = 0;  // SendInput calls so far

  uint32_t SendInput(const std::vector<tesso::InputRecord>& records) override {
    std::string text;
    for (const tesso::InputRecord& r : records) {
      const tesso::KeyboardRecord& k = r.keyboard;
      text += ", " + (r.type == tesso::kInputMouse
                          ? "M " + std::to_string(r.mouse.dx) + " " + std::to_string(r.mouse.dy) +
                                " " + std::to_string(r.mouse.mouse_data) + " " + Hex(r.mouse.flags)
                          : "K " + Hex(k.virtual_key) + " " + Hex(k.scan) + " " + Hex(k.flags));
    }
    log.push_back("SendInput(" + text.substr(2) + ")");
    const auto scripted = inserted_by_call.find(++sends);
    const auto all = static_cast<uint32_t>(records.size());
    return scripted == inserted_by_call.end() ? all : std::min(scripted->second, all);
  }
  tesso::WindowHandle WindowFromPoint(int32_t x, int32_t y) override {
    return tesso::WindowHandle{windows[{x, y}]};
  }
  bool GetCursorPos(int32_t* x, int32_t* y) override {
    if (cursor) std::tie(*x, *y) = *cursor;
    return cursor.has_value();
  }
  tesso::WindowHandle GetForegroundWindow() override { return tesso::WindowHandle{foreground}; }
  uint32_t MapVirtualKeyW(uint32_t code, uint32_t type) override { return type ? 0 : code + 0x100; }
  uint32_t SetThreadExecutionState(uint32_t flags) override {
    log.push_back("SetThreadExecutionState(" + std::to_string(flags) + ")");
    return 0x80000000u;  // ES_CONTINUOUS: the state before
  }
  void Sleep(uint32_t ms) override { log.push_back("Sleep(" + std::to_string(ms) + ")"); }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_
