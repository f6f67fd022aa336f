#include "tests/fakes/fake_input_port.h"

#include <algorithm>
#include <ios>

namespace tesso {

void PrintTo(const InputRecord& record, std::ostream* out) {
  const auto flags_and_rest = [out](uint32_t flags, uint32_t time, uint64_t extra) {
    *out << ", 0x" << std::hex << flags << std::dec;
    if (time != 0 || extra != 0) *out << ", time " << time << ", extra " << extra;
    *out << ")";
  };
  if (record.type == kInputKeyboard) {
    *out << "Key(" << record.keyboard.virtual_key << ", " << record.keyboard.scan;
    flags_and_rest(record.keyboard.flags, record.keyboard.time, record.keyboard.extra);
  } else {
    *out << (record.type == kInputMouse ? "Mouse(" : "Type?(") << record.mouse.dx << ", "
         << record.mouse.dy << ", " << record.mouse.mouse_data;
    flags_and_rest(record.mouse.flags, record.mouse.time, record.mouse.extra);
  }
}

}  // namespace tesso

namespace tesso_test {

void PrintTo(const InputCall& call, std::ostream* out) {
  switch (call.kind) {
    case InputCall::Kind::kSendInput:
      *out << "Sent{";
      for (size_t i = 0; i < call.records.size(); ++i) {
        if (i > 0) *out << ", ";
        tesso::PrintTo(call.records[i], out);
      }
      *out << "}";
      return;
    case InputCall::Kind::kSleep:
      *out << "Pause(" << call.value << ")";
      return;
    case InputCall::Kind::kSetThreadExecutionState:
      *out << "ExecutionState(" << call.value << ")";
      return;
  }
}

InputCall Sent(std::vector<tesso::InputRecord> records) {
  InputCall call;
  call.kind = InputCall::Kind::kSendInput;
  call.records = std::move(records);
  return call;
}

InputCall Pause(uint32_t milliseconds) {
  InputCall call;
  call.kind = InputCall::Kind::kSleep;
  call.value = milliseconds;
  return call;
}

InputCall ExecutionState(uint32_t flags) {
  InputCall call;
  call.kind = InputCall::Kind::kSetThreadExecutionState;
  call.value = flags;
  return call;
}

tesso::InputRecord MouseRecord(int32_t dx, int32_t dy, int32_t mouse_data, uint32_t flags) {
  tesso::InputRecord record;
  record.type = tesso::kInputMouse;
  record.mouse.dx = dx;
  record.mouse.dy = dy;
  record.mouse.mouse_data = mouse_data;
  record.mouse.flags = flags;
  return record;
}

tesso::InputRecord KeyRecord(uint16_t virtual_key, uint16_t scan, uint32_t flags) {
  tesso::InputRecord record;
  record.type = tesso::kInputKeyboard;
  record.keyboard.virtual_key = virtual_key;
  record.keyboard.scan = scan;
  record.keyboard.flags = flags;
  return record;
}

uint32_t FakeInputPort::SendInput(const std::vector<tesso::InputRecord>& records) {
  calls.push_back(Sent(records));
  const auto scripted = inserted_by_call.find(++send_input_calls);
  const auto all = static_cast<uint32_t>(records.size());
  return scripted == inserted_by_call.end() ? all : std::min(scripted->second, all);
}

tesso::WindowHandle FakeInputPort::WindowFromPoint(int32_t x, int32_t y) {
  queries.push_back("WindowFromPoint(" + std::to_string(x) + ", " + std::to_string(y) + ")");
  const auto found = windows.find({x, y});
  return static_cast<tesso::WindowHandle>(found == windows.end() ? 0 : found->second);
}

bool FakeInputPort::GetCursorPos(int32_t* x, int32_t* y) {
  queries.push_back("GetCursorPos()");
  if (!cursor) return false;
  *x = cursor->first;
  *y = cursor->second;
  return true;
}

tesso::WindowHandle FakeInputPort::GetForegroundWindow() {
  queries.push_back("GetForegroundWindow()");
  return static_cast<tesso::WindowHandle>(foreground);
}

uint32_t FakeInputPort::MapVirtualKeyW(uint32_t code, uint32_t map_type) {
  queries.push_back("MapVirtualKeyW(" + std::to_string(code) + ", " + std::to_string(map_type) +
                    ")");
  const auto found = scan_codes.find(code);
  return map_type != 0 || found == scan_codes.end() ? 0 : found->second;
}

uint32_t FakeInputPort::SetThreadExecutionState(uint32_t flags) {
  calls.push_back(ExecutionState(flags));
  return 0x80000000u;  // ES_CONTINUOUS: the state before
}

void FakeInputPort::Sleep(uint32_t milliseconds) { calls.push_back(Pause(milliseconds)); }

}  // namespace tesso_test
