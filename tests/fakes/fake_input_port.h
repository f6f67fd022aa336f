// An input port for the injection tests: records every SendInput call with its whole list of
// records, every pause and every SetThreadExecutionState in one ordered list, and answers
// from a script (refusals per SendInput call, the cursor, the window at each pixel, the
// foreground window, scan codes). Single-threaded: read the records after the jobs have run.
#ifndef TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "input/input_port.h"

namespace tesso {
// gtest prints records this way in a failed expectation.
void PrintTo(const InputRecord& record, std::ostream* out);
}  // namespace tesso

namespace tesso_test {

// One call that changes something: SendInput with its records, Sleep or
// SetThreadExecutionState with its argument.
struct InputCall {
  enum class Kind { kSendInput, kSleep, kSetThreadExecutionState };
  Kind kind = Kind::kSendInput;
  std::vector<tesso::InputRecord> records;
  uint32_t value = 0;

  bool operator==(const InputCall& other) const {
    return kind == other.kind && records == other.records && value == other.value;
  }
};
void PrintTo(const InputCall& call, std::ostream* out);

InputCall Sent(std::vector<tesso::InputRecord> records);
InputCall Pause(uint32_t milliseconds);
InputCall ExecutionState(uint32_t flags);

// Records written out field by field, so that an expectation states every value it means.
tesso::InputRecord MouseRecord(int32_t dx, int32_t dy, int32_t mouse_data, uint32_t flags);
tesso::InputRecord KeyRecord(uint16_t virtual_key, uint16_t scan, uint32_t flags);

class FakeInputPort : public tesso::InputPort {
 public:
  // Script. SendInput call number (1-based) -> the count it reports inserted; a call not
  // listed inserts every record.
  std::map<size_t, uint32_t> inserted_by_call;
  // The pointer position; none: GetCursorPos fails.
  std::optional<std::pair<int32_t, int32_t>> cursor = std::make_pair(0, 0);
  // The window at a pixel; a pixel not listed has no window.
  std::map<std::pair<int32_t, int32_t>, uintptr_t> windows;
  uintptr_t foreground = 0;
  // MapVirtualKeyW(code, MAPVK_VK_TO_VSC = 0); any other code or map type answers 0.
  std::map<uint32_t, uint32_t> scan_codes;

  // Records.
  std::vector<InputCall> calls;
  // The queries, in order: "WindowFromPoint(x, y)", "GetCursorPos()",
  // "GetForegroundWindow()", "MapVirtualKeyW(code, type)".
  std::vector<std::string> queries;
  size_t send_input_calls = 0;

  uint32_t SendInput(const std::vector<tesso::InputRecord>& records) override;
  tesso::WindowHandle WindowFromPoint(int32_t x, int32_t y) override;
  bool GetCursorPos(int32_t* x, int32_t* y) override;
  tesso::WindowHandle GetForegroundWindow() override;
  uint32_t MapVirtualKeyW(uint32_t code, uint32_t map_type) override;
  uint32_t SetThreadExecutionState(uint32_t flags) override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_INPUT_PORT_H_
