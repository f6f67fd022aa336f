// Pointer, keyboard and text injection through "performMouse", "performKeyPress" and the text and
// wake jobs, against the fake input, session and display ports: the argument checks, the mapping
// into the absolute space of the virtual screen, and the exact events, pauses and releases.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "input/keyboard_injection.h"
#include "input/pointer_injection.h"
#include "messaging/method_result_functions.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr uintptr_t kElevated = 0x77;
constexpr double kPixel = 1.0 / 65536;  // one pixel of the default display
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// One primary display of 65536 x 65536 pixels is the whole virtual screen, so that an absolute
// coordinate equals its pixel; window kElevated belongs to process 200, of a higher integrity
// level than this one. RunInputJob logs "queued" and queues the job; Run runs the queue, each
// reply logged after the job's calls.
struct Rig {
  Rig() {
    Layout({Monitor(1, 0, 0, 65536, 65536, true)}, 0, 65536, 65536);
    session.labels[200] = {0x3000};
    session.window_pids[kElevated] = 200;
  }
  void Layout(std::vector<FakeMonitor> monitors, int32_t left, int32_t width, int32_t height) {
    displays.monitors = std::move(monitors);
    displays.metrics = {{76, left}, {77, 0}, {78, width}, {79, height}};
  }
  tesso::InputPorts ports() { return {&input, &session, &displays}; }
  tesso::SharedMethodResult Result() {
    return std::make_shared<flutter::MethodResultFunctions<EncodableValue>>(
        [this](auto v) { input.log.push_back(std::get<bool>(*v) ? "true" : "false"); }, nullptr,
        nullptr);
  }

  FakeInputPort input;
  FakeSessionPort session;
  FakeDisplayPort displays;
  std::vector<std::pair<tesso::SharedMethodResult, tesso::InputJob>> queued;
  tesso::RunInputJobFunction run_input_job = [this](auto result, auto job) {
    input.log.push_back("queued");
    queued.emplace_back(std::move(result), std::move(job));
  };
};
using Act = std::function<void(Rig&)>;

void Lock(Rig& rig) {
  rig.session.desktop_name = u"Winlogon";
  rig.session.session = tesso::SessionInfoEx{1, 0};
}
void Secure(Rig& rig) { rig.session.desktop_name = u"Winlogon"; }
void Elevated(Rig& rig) { rig.input.foreground = kElevated; }
// SendInput call number -> the records it inserts; the calls not listed insert all.
Act Inserted(std::map<size_t, uint32_t> counts) {
  return [counts](Rig& rig) { rig.input.inserted_by_call = counts; };
}
Act ElevatedAt(int32_t x, int32_t y) {
  return [x, y](Rig& rig) { rig.input.windows[{x, y}] = kElevated; };
}
// 1920 x 1080 alone, or with a second one left of the primary (display 1), or 2 x 9 alone.
void One(Rig& rig) { rig.Layout({Monitor(1, 0, 0, 1920, 1080, true)}, 0, 1920, 1080); }
void Two(Rig& rig) {
  rig.Layout({Monitor(1, -1920, 0, 1920, 1080), Monitor(2, 0, 0, 1920, 1080, true)}, -1920, 3840,
             1080);
}
void Narrow(Rig& rig) { rig.Layout({Monitor(1, 0, 0, 2, 9, true)}, 0, 2, 9); }

// The calls, each with a copy of its arguments that is gone before the queued job runs.
Act Mouse(const char* kind, std::vector<std::pair<const char*, EncodableValue>> rest,
          int32_t selected = 0) {
  EncodableMap args = {{EncodableValue("kind"), EncodableValue(kind)}};
  for (auto& [key, value] : rest) args[EncodableValue(key)] = value;
  return [args, selected](Rig& r) {
    tesso::HandlePerformMouse(EncodableMap(args), r.Result(), selected, r.ports(), r.run_input_job);
  };
}
Act Click(double x, double y, int32_t selected = 0) {
  return Mouse("click", {{"x", x}, {"y", y}}, selected);
}
Act Drag(double end_x, double end_y) {
  return Mouse("drag", {{"x", 0.0}, {"y", 0.0}, {"endX", end_x}, {"endY", end_y}});
}
Act Path(std::vector<std::pair<double, double>> points) {
  EncodableList list;
  for (auto [x, y] : points) list.push_back(EncodableValue(EncodableList{x, y}));
  return Mouse("dragPath", {{"points", list}});
}
Act Scroll(EncodableValue amount) { return Mouse("scroll", {{"amount", amount}}); }
Act Key(EncodableValue key, EncodableValue modifiers) {
  EncodableMap args = {{EncodableValue("modifiers"), modifiers}};
  if (!key.IsNull()) args[EncodableValue("keyCode")] = key;
  return [args](Rig& r) {
    tesso::HandlePerformKeyPress(EncodableMap(args), r.Result(), r.ports(), r.run_input_job);
  };
}
Act Type(std::u16string text) {
  return [text](Rig& r) { r.run_input_job(r.Result(), tesso::MakeTypeTextJob(r.ports(), text)); };
}
Act Text(std::string utf8) {
  return [utf8](Rig& r) { tesso::HandleTypeText(utf8, r.Result(), r.ports(), r.run_input_job); };
}
void Wake(Rig& r) { r.run_input_job(r.Result(), tesso::MakeWakeDisplayJob(r.ports())); }

// SendInput with one mouse record at (x, y); flags c001 move, c003/c005 left down/up, c009/c011
// right down/up, each absolute over the virtual desk.
std::string At(int32_t x, int32_t y, const char* flags) {
  return "SendInput(M " + std::to_string(x) + " " + std::to_string(y) + " 0 " + flags + ")";
}
std::string Wheel(int32_t delta) { return "SendInput(M 0 0 " + std::to_string(delta) + " 800)"; }
// The hover and press that start every click, drag and path.
Calls Press(int32_t x, int32_t y, const char* down = "c003") {
  return {At(x, y, "c001"), "Sleep(15)", At(x, y, down), "Sleep(30)"};
}
Calls Clicked(int32_t x, int32_t y) { return Press(x, y) + Calls{At(x, y, "c005"), "true"}; }
Calls Steps(std::vector<std::pair<int32_t, int32_t>> points) {
  Calls calls;
  for (auto [x, y] : points) calls = calls + Calls{At(x, y, "c001"), "Sleep(12)"};
  return calls;
}
// A key event with the scan code the fake maps `key` to; flags 1 extended, 2 up.
std::string K(uint16_t key, uint32_t flags) {
  return "K " + Hex(key) + " " + Hex(key + 0x100u) + " " + Hex(flags);
}
// Press and release of each unit as Unicode events.
std::string Chars(const std::u16string& text) {
  std::string records;
  for (char16_t unit : text) records += ", K 0 " + Hex(unit) + " 4, K 0 " + Hex(unit) + " 6";
  return records.substr(2);
}
std::string Send(const Calls& records) {
  std::string text;
  for (const std::string& record : records) text += ", " + record;
  return "SendInput(" + text.substr(2) + ")";
}

TEST(InputInjection, SendsTheExactEventsOrRefuses) {
  const auto corner = Path({{0, 0}, {300 * kPixel, 0}, {300 * kPixel, 600 * kPixel}});
  const auto drag = Drag(1000 * kPixel, 500 * kPixel);
  const Calls up = {At(300, 600, "c005")}, no = {"false"};
  const Calls late_up = {At(0, 0, "c005"), "Sleep(20)", At(0, 0, "c005"), "Sleep(20)",
                         At(0, 0, "c005")};
  const EncodableValue control("control"), shift("shift"), alt("alt"), win("win");
  const EncodableList ctrl_shift = {control, shift}, none;
  const std::string ctrl_shift_a =
      Send({K(0xA2, 0), K(0xA0, 0), K(65, 0), K(65, 2), K(0xA0, 2), K(0xA2, 2)});
  const std::u16string x40(40, u'x'), x32(32, u'x'), x31(31, u'x');
  const struct {
    Act act, arrange;
    Calls calls;  // after "queued", ending with the reply; empty: refused at once
  } cases[] = {
      // clang-format off
      // 1.0 is the last pixel of the display; the absolute space spans the virtual screen.
      {Click(0.5, 0.5), One, Clicked(32785, 32798)},
      // Each pixel's centre: (d x 65536 + 32768) / extent.
      {Click(1, 1, 1), Two, Clicked(32759, 65505)},
      {Click(0, 1), One, Clicked(17, 65505)},
      {Click(1, 0), Narrow, Clicked(49152, 3640)},
      {Click(-0.01, 0.5), nullptr, no},
      {Click(0.5, 1.5), nullptr, no},
      {Click(kNaN, 0.5), nullptr, no},
      {Click(0.5, 0.5), [](Rig& r) { r.displays.monitors.clear(); }, no},
      {Click(0.5, 0.5), [](Rig& r) { r.displays.metrics.clear(); }, Clicked(0, 0)},
      {Mouse("rightClick", {{"x", 1}, {"y", int64_t{0}}}), nullptr,
       Press(65535, 0, "c009") + Calls{At(65535, 0, "c011"), "true"}},
      {Click(0, 0), Inserted({{3, 0}, {4, 0}}), Press(0, 0) + late_up + Calls{"true"}},
      {Click(0, 0), Inserted({{3, 0}, {4, 0}, {5, 0}}),
       Press(0, 0) + late_up + Calls{"Sleep(20)", "false"}},
      {Click(0, 0), Inserted({{2, 0}}), {At(0, 0, "c001"), "Sleep(15)", At(0, 0, "c003"), "false"}},
      {Click(0, 0), Inserted({{1, 0}}), {At(0, 0, "c001"), "false"}},
      {Click(0, 0), Lock, no},
      {Click(0, 0), Secure, no},
      {Click(0, 0), ElevatedAt(0, 0), no},
      {Mouse("click", {{"x", 0.5}, {"y", "0.5"}}), nullptr, {}},
      // Drags: twelve steps; only the start's window is checked; the button always released.
      {drag, ElevatedAt(1000, 500), Press(0, 0) + Steps({{83, 42}, {167, 83}, {250, 125},
       {333, 167}, {417, 208}, {500, 250}, {583, 292}, {667, 333}, {750, 375}, {833, 417},
       {917, 458}, {1000, 500}}) + Calls{At(1000, 500, "c005"), "true"}},
      {drag, Inserted({{7, 0}}), Press(0, 0) + Steps({{83, 42}, {167, 83}, {250, 125},
       {333, 167}}) + Calls{At(417, 208, "c001"), At(1000, 500, "c005"), "false"}},
      {drag, ElevatedAt(0, 0), no},
      {drag, Lock, no},
      {Drag(0.5, -0.01), nullptr, no},
      {Mouse("drag", {{"x", 0.5}, {"y", 0.5}, {"endX", 0.5}}), nullptr, {}},
      {Mouse("Drag", {{"x", 0.}, {"y", 0.}, {"endX", 0.}, {"endY", 0.}}), nullptr, {}},
      // Paths: three steps per segment; only the first point's window is checked.
      {corner, ElevatedAt(300, 600), Press(0, 0) + Steps({{100, 0}, {200, 0}, {300, 0},
       {300, 200}, {300, 400}, {300, 600}}) + up + Calls{"true"}},
      {Path({{0, 0}, {300 * kPixel, 0}}), Inserted({{4, 0}}),
       Press(0, 0) + Steps({{100, 0}}) + Calls{At(200, 0, "c001"), At(300, 0, "c005"), "false"}},
      {corner, ElevatedAt(0, 0), no},
      {corner, Lock, no},
      {Path({{0, 0}, {0.5, 0.5}, {2, 0}}), nullptr, no},
      {Path({{0, 0}}), nullptr, no},
      {Path(std::vector<std::pair<double, double>>(65)), nullptr, {}},
      {Mouse("dragPath", {{"points", EncodableList{EncodableList{0.5, 1}}}}), nullptr, {}},
      {Mouse("dragPath", {{"points", EncodableList{EncodableList{0., 0., 0.}}}}), nullptr, {}},
      {Mouse("dragPath", {{"points", 0.5}}), nullptr, {}},
      // Wheel turns of at most 20 notches, unless the pointer is over a higher window.
      {Scroll(-100), nullptr, {Wheel(-2400), "true"}},
      {Scroll(int64_t{0xFFFFFF9C}), nullptr, {Wheel(2400), "true"}},  // saturated, not -100
      {Mouse("scroll", {}), Lock, {"true"}},
      {Scroll(1), Lock, no},
      {Scroll(1), [](Rig& r) { r.input.cursor.reset(); }, {Wheel(120), "true"}},
      {Scroll(1), ElevatedAt(0, 0), no},
      {Scroll(1), Inserted({{1, 0}}), {Wheel(120), "false"}},
      // Keys: the modifiers pressed in order around the key and released in reverse, in one call.
      {Key(65, ctrl_shift), nullptr, {ctrl_shift_a, "true"}},
      {Key(int64_t{46}, EncodableList{alt, control}), nullptr,
       {Send({K(0xA4, 0), K(0xA2, 0), K(46, 1), K(46, 3), K(0xA2, 2), K(0xA4, 2)}), "true"}},
      {Key(37, EncodableList{win}), nullptr,
       {Send({K(0x5B, 1), K(37, 1), K(37, 3), K(0x5B, 3)}), "true"}},
      {Key(65, control), nullptr, {Send({K(65, 0), K(65, 2)}), "true"}},  // not a list: none
      // Partly inserted: the key and the modifiers released one by one, with retries.
      {Key(65, ctrl_shift), Inserted({{1, 3}}),
       {ctrl_shift_a, Send({K(65, 2)}), Send({K(0xA0, 2)}), Send({K(0xA2, 2)}), "false"}},
      {Key(65, ctrl_shift), Inserted({{1, 0}, {2, 0}, {5, 0}}),
       {ctrl_shift_a, Send({K(65, 2)}), "Sleep(20)", Send({K(65, 2)}), Send({K(0xA0, 2)}),
        Send({K(0xA2, 2)}), "Sleep(20)", Send({K(0xA2, 2)}), "false"}},
      {Key(65, ctrl_shift), Lock, no},
      {Key(65, none), Elevated, no},
      {Key(EncodableValue(), none), nullptr, {}},
      {Key(255, none), nullptr, {}},
      {Key(65, EncodableList{EncodableValue("Control")}), nullptr, {}},
      {Key(65, EncodableList{162}), nullptr, {}},
      {Key(65, EncodableList(17, shift)), nullptr, {}},
      // Text: CR skipped, LF the Enter key, tab the Tab key, other units as Unicode events.
      {Type(u"a\r\n\t\U0001F600"), nullptr,
       {Send({Chars(u"a"), K(13, 0), K(13, 2), K(9, 0), K(9, 2), Chars(u"\xD83D\xDE00")}), "true"}},
      {Type(x40), nullptr, {Send({Chars(x32)}), Send({Chars(u"xxxxxxxx")}), "true"}},
      // A batch never ends between the units of a pair; a lone low surrogate does not wait.
      {Type(x31 + u"\U00010000y"), nullptr,
       {Send({Chars(x31 + u"\U00010000")}), Send({Chars(u"y")}), "true"}},
      {Type(x31 + u"\xDC00y"), nullptr,
       {Send({Chars(x31 + u"\xDC00")}), Send({Chars(u"y")}), "true"}},
      {Type(u"\r\r"), nullptr, {"true"}},
      {Type(u""), nullptr, no},
      {Type(std::u16string(4097, u'x')), nullptr, no},
      {Text(std::string(4096, 'x')), nullptr, Calls(128, Send({Chars(x32)})) + Calls{"true"}},
      // Part of a batch taken: a press taken without its release is released.
      {Type(x40), Inserted({{1, 10}}), {Send({Chars(x32)}), "false"}},
      {Type(x40), Inserted({{1, 11}}), {Send({Chars(x32)}), Send({"K 0 78 6"}), "false"}},
      {Type(u"a"), Lock, no},
      // Too long is refused before queueing, and beyond 4 x 4096 bytes before converting.
      {Text("h\xC3\xA9"), nullptr, {Send({Chars(u"h\xE9")}), "true"}},
      {Text("\xC3" + std::string(16383, 'x')), nullptr, no},
      {Text("\xC3" + std::string(16384, 'x')), nullptr, {}},
      {Text(std::string(4097, 'x')), nullptr, {}},
      // The wake asks no guard.
      {Wake, [](Rig& r) { Lock(r); Elevated(r); }, {"SetThreadExecutionState(2)",
       "SendInput(M 1 0 0 1, M -1 0 0 1)", "true"}},
      // At the right edge the nudge goes inward first.
      {Wake, [](Rig& r) { r.input.cursor = {{65535, 7}}; }, {"SetThreadExecutionState(2)",
       "SendInput(M -1 0 0 1, M 1 0 0 1)", "true"}},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Rig rig;
    if (c.arrange) c.arrange(rig);
    c.act(rig);
    for (auto& [result, job] : rig.queued) result->Success(EncodableValue(job()));
    const Calls expected = c.calls.empty() ? no : Calls{"queued"} + c.calls;
    EXPECT_THAT(rig.input.log, testing::ElementsAreArray(expected));
  }
}

TEST(InputInjection, ExtendedKeysAreTheNavigationBlockAndTheWindowsKeys) {
  for (uint16_t key = 0; key <= 255; ++key) {
    const bool listed =
        (key >= 33 && key <= 40) || key == 45 || key == 46 || key == 91 || key == 92;
    EXPECT_EQ(tesso::IsExtendedKey(key), listed) << key;
  }
}

}  // namespace
}  // namespace tesso_test
