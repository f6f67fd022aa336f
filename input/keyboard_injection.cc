#include "input/keyboard_injection.h"

#include <cstring>
#include <optional>
#include <utility>
#include <variant>

#include "base/string_conversions.h"
#include "input/display_catalogue.h"
#include "input/input_arguments.h"
#include "input/input_desktop_guard.h"
#include "input/input_events.h"

namespace tesso {
namespace {

constexpr uint32_t kMapVirtualKeyToScanCode = 0;  // MAPVK_VK_TO_VSC
constexpr uint16_t kVirtualKeyTab = 9;
constexpr uint16_t kVirtualKeyReturn = 13;
constexpr char16_t kCarriageReturn = 13;
constexpr char16_t kTab = 9;
constexpr char16_t kLineFeed = 10;
constexpr size_t kMaxTextUnits = 4096;
// Every UTF-8 sequence is at most 4 bytes long and gives at least one UTF-16 unit, so longer
// text always exceeds kMaxTextUnits (or is not UTF-8): refused before it is converted.
constexpr size_t kMaxTextBytes = 4 * kMaxTextUnits;
constexpr size_t kTextBatchEvents = 64;
constexpr uint32_t kDisplayRequired = 2;  // ES_DISPLAY_REQUIRED
// Four modifiers, repeats allowed; a longer list is hostile and would hold the worker for a
// second per twenty releases on the failure path.
constexpr size_t kMaxModifiers = 16;

struct ModifierName {
  const char* name;
  uint16_t virtual_key;
};
constexpr ModifierName kModifiers[] = {
    {"control", 0xA2},  // VK_LCONTROL
    {"shift", 0xA0},    // VK_LSHIFT
    {"alt", 0xA4},      // VK_LMENU
    {"win", 0x5B},      // VK_LWIN
};

bool IsValidKeyCode(int64_t key_code) { return key_code >= 1 && key_code <= 254; }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

InputRecord KeyEvent(InputPort& input, uint16_t virtual_key, bool release) {
  uint32_t flags = IsExtendedKey(virtual_key) ? kKeyEventExtendedKey : 0;
  if (release) flags |= kKeyEventKeyUp;
  const auto scan =
      static_cast<uint16_t>(input.MapVirtualKeyW(virtual_key, kMapVirtualKeyToScanCode));
  return KeyboardEvent(virtual_key, scan, flags);
}

InputRecord CharacterEvent(char16_t unit, bool release) {
  return KeyboardEvent(0, unit, kKeyEventUnicode | (release ? kKeyEventKeyUp : 0));
}

bool OnSomeDisplay(DisplayPort& displays, int64_t x, int64_t y) {
  for (const DisplayInfo& display : EnumerateDisplays(displays)) {
    if (x >= display.left && x < display.right && y >= display.top && y < display.bottom) {
      return true;
    }
  }
  return false;
}

bool MayInjectKeys(InputPorts ports) {
  return GetInputDesktopState(*ports.session) == InputDesktopState::NormalDesktop &&
         !IsHigherIntegrityWindow(*ports.session, ports.input->GetForegroundWindow());
}

// Inserts one batch of press and release pairs. When Windows takes only part of it and the
// last event taken is a press, that key's release follows with retries, so that a Tab or
// Enter key is not left down.
bool SendTextBatch(InputPort& input, const std::vector<InputRecord>& batch) {
  const uint32_t inserted = input.SendInput(batch);
  if (inserted == batch.size()) return true;
  if (inserted < batch.size() && inserted % 2 == 1) SendInputWithRetry(input, batch[inserted]);
  return false;
}

// The modifier codes of a "modifiers" list, in its order; none when the value is not a list;
// nothing when an element is not a known name.
std::optional<std::vector<uint16_t>> ModifierKeys(const flutter::EncodableMap& args) {
  std::vector<uint16_t> keys;
  const flutter::EncodableValue* value = FindArgument(args, "modifiers");
  const auto* list = value == nullptr ? nullptr : std::get_if<flutter::EncodableList>(value);
  if (list == nullptr) return keys;
  if (list->size() > kMaxModifiers) return std::nullopt;
  for (const flutter::EncodableValue& element : *list) {
    const std::string* name = std::get_if<std::string>(&element);
    if (name == nullptr) return std::nullopt;
    const ModifierName* known = nullptr;
    for (const ModifierName& modifier : kModifiers) {
      if (*name == modifier.name) known = &modifier;
    }
    if (known == nullptr) return std::nullopt;
    keys.push_back(known->virtual_key);
  }
  return keys;
}

}  // namespace

bool IsExtendedKey(uint16_t virtual_key) {
  return (virtual_key >= 0x21 && virtual_key <= 0x28) || virtual_key == 0x2D ||
         virtual_key == 0x2E || virtual_key == 0x5B || virtual_key == 0x5C;
}

bool KeyPressJob(InputPorts ports, uint16_t key_code, const std::vector<uint16_t>& modifiers) {
  if (!IsValidKeyCode(key_code)) return false;
  if (!MayInjectKeys(ports)) return false;
  InputPort& input = *ports.input;
  std::vector<InputRecord> events;
  events.reserve(2 * modifiers.size() + 2);
  for (uint16_t modifier : modifiers) events.push_back(KeyEvent(input, modifier, false));
  events.push_back(KeyEvent(input, key_code, false));
  events.push_back(KeyEvent(input, key_code, true));
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
    events.push_back(KeyEvent(input, *it, true));
  }
  if (input.SendInput(events) == events.size()) return true;
  SendInputWithRetry(input, KeyEvent(input, key_code, true));
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
    SendInputWithRetry(input, KeyEvent(input, *it, true));
  }
  return false;
}

bool TypeTextJob(InputPorts ports, const std::u16string& text) {
  if (text.empty() || text.size() > kMaxTextUnits) return false;
  if (!MayInjectKeys(ports)) return false;
  InputPort& input = *ports.input;
  std::vector<InputRecord> pending;
  for (const char16_t unit : text) {
    if (unit == kCarriageReturn) continue;
    if (unit == kTab || unit == kLineFeed) {
      const uint16_t key = unit == kTab ? kVirtualKeyTab : kVirtualKeyReturn;
      pending.push_back(KeyEvent(input, key, false));
      pending.push_back(KeyEvent(input, key, true));
    } else {
      pending.push_back(CharacterEvent(unit, false));
      pending.push_back(CharacterEvent(unit, true));
    }
    if (pending.size() >= kTextBatchEvents && !IsHighSurrogate(unit)) {
      if (!SendTextBatch(input, pending)) return false;
      pending.clear();
    }
  }
  return pending.empty() || SendTextBatch(input, pending);
}

bool WakeDisplayJob(InputPorts ports) {
  InputPort& input = *ports.input;
  input.SetThreadExecutionState(kDisplayRequired);
  // A move off the screen is clamped, and its return would then leave the pointer a pixel in.
  int32_t step = 1;
  int32_t x{};  // read only when GetCursorPos succeeds
  int32_t y{};
  if (input.GetCursorPos(&x, &y) && !OnSomeDisplay(*ports.displays, int64_t{x} + 1, y)) step = -1;
  const std::vector<InputRecord> nudge = {MouseEvent(step, 0, 0, kMouseEventMove),
                                          MouseEvent(-step, 0, 0, kMouseEventMove)};
  return input.SendInput(nudge) == nudge.size();
}

InputJob MakeTypeTextJob(InputPorts ports, std::u16string text) {
  return [ports, text = std::move(text)] { return TypeTextJob(ports, text); };
}

void HandleTypeText(const std::string& utf8, SharedMethodResult result, InputPorts ports,
                    const RunInputJobFunction& run_input_job) {
  if (utf8.size() > kMaxTextBytes) return result->Success(flutter::EncodableValue(false));
  std::u16string text = Utf8ToWide(utf8);
  if (text.size() > kMaxTextUnits) return result->Success(flutter::EncodableValue(false));
  run_input_job(std::move(result), MakeTypeTextJob(ports, std::move(text)));
}

InputJob MakeWakeDisplayJob(InputPorts ports) {
  return [ports] { return WakeDisplayJob(ports); };
}

void HandlePerformKeyPress(const flutter::EncodableMap& args, SharedMethodResult result,
                           InputPorts ports, const RunInputJobFunction& run_input_job) {
  const int64_t key_code = IntegerArgument(args, "keyCode").value_or(0);
  std::optional<std::vector<uint16_t>> modifiers = ModifierKeys(args);
  if (!modifiers || !IsValidKeyCode(key_code)) {
    result->Success(flutter::EncodableValue(false));
    return;
  }
  run_input_job(std::move(result),
                [ports, key = static_cast<uint16_t>(key_code), keys = std::move(*modifiers)] {
                  return KeyPressJob(ports, key, keys);
                });
}

}  // namespace tesso
