// An input port that records SendInput (with every record), Sleep and SetThreadExecutionState
// as text in one ordered list, and answers from a script: how many records each SendInput
// call inserts, the cursor, the window at a pixel, the foreground window. MapVirtualKeyW to a
// scan code answers the key + 0x100, so that a scan code shows which key it came from.
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

// A mouse record as "M dx dy data flags", a keyboard record as "K vk scan flags" (hex).
inline std::string RecordText(const tesso::InputRecord& r) {
  const tesso::MouseRecord& m = r.mouse;
  const tesso::KeyboardRecord& k = r.keyboard;
  return r.type == tesso::kInputMouse
             ? "M " + std::to_string(m.dx) + " " + std::to_string(m.dy) + " " +
                   std::to_string(m.mouse_data) + " " + Hex(m.flags)
             : "K " + Hex(k.virtual_key) + " " + Hex(k.scan) + " " + Hex(k.flags);
}

struct InputCall {
  std::vector<tesso::InputRecord> records;
};

class FakeInputPort : public tesso::InputPort {
 public:
  std::map<size_t, uint32_t> inserted_by_call;  // 1-based SendInput call -> count; else all
  std::optional<std::pair<int32_t, int32_t>> cursor = std::make_pair(0, 0);  // none: fails
  std::map<std::pair<int32_t, int32_t>, uintptr_t> windows;  // a pixel not listed: none
  uintptr_t foreground = 0;

  std::vector<std::string> log;  // "SendInput(M 1 0 0 1, ...)", "Sleep(15)", ...
  std::vector<InputCall> calls;  // the SendInput calls alone

  uint32_t SendInput(const std::vector<tesso::InputRecord>& records) override {
    std::string text;
    for (const auto& record : records) text += (text.empty() ? "" : ", ") + RecordText(record);
    log.push_back("SendInput(" + text + ")");
    calls.push_back({records});
    const auto scripted = inserted_by_call.find(calls.size());
    const auto all = static_cast<uint32_t>(records.size());
    return scripted == inserted_by_call.end() ? all : std::min(scripted->second, all);
  }
  tesso::WindowHandle WindowFromPoint(int32_t x, int32_t y) override {
    return static_cast<tesso::WindowHandle>(windows.count({x, y}) ? windows[{x, y}] : 0);
  }
  bool GetCursorPos(int32_t* x, int32_t* y) override {
    if (cursor) std::tie(*x, *y) = *cursor;
    return cursor.has_value();
  }
  tesso::WindowHandle GetForegroundWindow() override {
    return static_cast<tesso::WindowHandle>(foreground);
  }
  uint32_t MapVirtualKeyW(uint32_t code, uint32_t map_type) override {
    return map_type == 0 ? code + 0x100 : 0;
  }
  uint32_t SetThreadExecutionState(uint32_t flags) override {
    log.push_back("SetThreadExecutionState(" + std::to_string(flags) + ")");
    return 0x80000000u;  // ES_CONTINUOUS: the state before
  }
  void Sleep(uint32_t milliseconds) override {
    log.push_back("Sleep(" + std::to_string(milliseconds) + ")");
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_
