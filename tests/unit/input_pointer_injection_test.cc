// Pointer injection through "performMouse": the argument check, the mapping into the absolute
// space of the virtual screen, and the exact events and pauses of every job.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "input/pointer_injection.h"
#include "tests/unit/input_injection_rig.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using Points = std::vector<std::pair<int32_t, int32_t>>;

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const Calls kTrue = {"queued", "true"}, kFalse = {"queued", "false"}, kRefused = {"false"};

EncodableMap Mouse(const char* kind, std::vector<std::pair<const char*, EncodableValue>> rest) {
  EncodableMap args = {{EncodableValue("kind"), EncodableValue(kind)}};
  for (auto& [key, value] : rest) args[EncodableValue(key)] = value;
  return args;
}
EncodableMap Click(double x, double y) { return Mouse("click", {{"x", x}, {"y", y}}); }
EncodableMap Drag(double end_x, double end_y) {
  return Mouse("drag", {{"x", 0.0}, {"y", 0.0}, {"endX", end_x}, {"endY", end_y}});
}
EncodableMap Path(std::vector<std::pair<double, double>> points) {
  EncodableList list;
  for (auto [x, y] : points) list.push_back(EncodableValue(EncodableList{x, y}));
  return Mouse("dragPath", {{"points", list}});
}
EncodableMap Scroll(EncodableValue amount) { return Mouse("scroll", {{"amount", amount}}); }

std::string At(int32_t x, int32_t y, const char* flags) {
  return "SendInput(M " + std::to_string(x) + " " + std::to_string(y) + " 0 " + flags + ")";
}
std::string Wheel(int32_t delta) { return "SendInput(M 0 0 " + std::to_string(delta) + " 800)"; }
// The hover and press that start every click, drag and path.
Calls Press(int32_t x, int32_t y, const char* down = "c003") {
  return {At(x, y, "c001"), "Sleep(15)", At(x, y, down), "Sleep(30)"};
}
Calls Clicked(int32_t x, int32_t y) { return Press(x, y) + Calls{At(x, y, "c005")}; }
Calls Steps(const Points& points) {
  Calls calls;
  for (auto [x, y] : points) calls = calls + Calls{At(x, y, "c001"), "Sleep(12)"};
  return calls;
}
const Points kDragSteps = {{83, 42},   {167, 83},  {250, 125}, {333, 167}, {417, 208}, {500, 250},
                           {583, 292}, {667, 333}, {750, 375}, {833, 417}, {917, 458}, {1000, 500}};
const Calls kDragged = Press(0, 0) + Steps(kDragSteps) + Calls{At(1000, 500, "c005")};
const Calls kUp = {At(300, 600, "c005")};
const auto kCorner = Path({{0, 0}, {300 * kPixel, 0}, {300 * kPixel, 600 * kPixel}});

Arrange ElevatedAt(int32_t x, int32_t y) {
  return [x, y](InjectionRig& rig) { rig.input.windows[{x, y}] = kElevated; };
}
// 1920 x 1080 alone, or with a second one to the left of the primary (display 1).
void One(InjectionRig& rig) { rig.Layout({Monitor(1, 0, 0, 1920, 1080, true)}, 0, 1920, 1080); }
void Two(InjectionRig& rig) {
  rig.Layout({Monitor(1, -1920, 0, 1920, 1080), Monitor(2, 0, 0, 1920, 1080, true)}, -1920, 3840,
             1080);
}

TEST(PointerInjection, PerformMouse) {
  const struct {
    EncodableMap args;
    Arrange setup;
    Calls replies, calls;
    int32_t selected = 0;
  } cases[] = {
      // Mapping: 1.0 is the last pixel; the absolute space spans the virtual screen.
      {Click(0.5, 0.5), One, kTrue, Clicked(32785, 32798)},
      {Click(1, 1), Two, kTrue, Clicked(32759, 65535), 1},
      {Click(0, 0), Two, kTrue, Clicked(32776, 0), 9},  // out of range: the first display
      {Click(1, 0), [](InjectionRig& r) { r.Layout({Monitor(1, 0, 0, 2, 9, true)}, 0, 2, 9); },
       kTrue, Clicked(65535, 0)},
      {Click(-0.01, 0.5), nullptr, kFalse, {}},
      {Click(0.5, 1.5), nullptr, kFalse, {}},
      {Click(kNaN, 0.5), nullptr, kFalse, {}},
      {Click(0.5, 0.5), [](InjectionRig& r) { r.displays.monitors.clear(); }, kFalse, {}},
      // Clicks.
      {Mouse("rightClick", {{"x", 1}, {"y", int64_t{0}}}), nullptr, kTrue,
       Press(65535, 0, "c009") + Calls{At(65535, 0, "c011")}},
      {Click(0.5, 0.5), Refuse({3, 4}), kTrue,
       Press(32768, 32768) + Calls{At(32768, 32768, "c005"), "Sleep(20)", At(32768, 32768, "c005"),
                                   "Sleep(20)", At(32768, 32768, "c005")}},
      {Click(0, 0), Refuse({3, 4, 5}), kFalse,
       Press(0, 0) + Calls{At(0, 0, "c005"), "Sleep(20)", At(0, 0, "c005"), "Sleep(20)",
                           At(0, 0, "c005"), "Sleep(20)"}},
      {Click(0, 0), Refuse({2}), kFalse, {At(0, 0, "c001"), "Sleep(15)", At(0, 0, "c003")}},
      {Click(0, 0), Refuse({1}), kFalse, {At(0, 0, "c001")}},
      {Click(0, 0), Lock, kFalse, {}},
      {Click(0, 0), Secure, kFalse, {}},
      {Click(0, 0), ElevatedAt(0, 0), kFalse, {}},
      // Drags: twelve steps, and the button always released.
      {Drag(1000 * kPixel, 500 * kPixel), nullptr, kTrue, kDragged},
      {Drag(1000 * kPixel, 500 * kPixel), Refuse({7}), kFalse,
       Press(0, 0) + Steps({{83, 42}, {167, 83}, {250, 125}, {333, 167}}) +
           Calls{At(417, 208, "c001"), At(1000, 500, "c005")}},
      {Drag(1000 * kPixel, 500 * kPixel), Refuse({15, 16, 17}), kFalse,
       Press(0, 0) + Steps(kDragSteps) +
           Calls{At(1000, 500, "c005"), "Sleep(20)", At(1000, 500, "c005"), "Sleep(20)",
                 At(1000, 500, "c005"), "Sleep(20)"}},
      {Drag(1000 * kPixel, 500 * kPixel), ElevatedAt(1000, 500), kTrue, kDragged},
      {Drag(1000 * kPixel, 500 * kPixel), ElevatedAt(0, 0), kFalse, {}},
      {Drag(0.5, -0.01), nullptr, kFalse, {}},
      {Drag(0.5, 0.5), Lock, kFalse, {}},
      {Mouse("drag", {{"x", 0.5}, {"y", 0.5}, {"endX", 0.5}}), nullptr, kRefused, {}},
      {Mouse("Drag", {{"x", 0.5}, {"y", 0.5}, {"endX", 0.5}, {"endY", 0.5}}),
       nullptr,
       kRefused,
       {}},
      // Paths: three steps per segment; only the first point's window is checked.
      {kCorner, nullptr, kTrue,
       Press(0, 0) + Steps({{100, 0}, {200, 0}, {300, 0}, {300, 200}, {300, 400}, {300, 600}}) +
           kUp},
      {kCorner, Refuse({4}), kFalse,
       Press(0, 0) + Steps({{100, 0}}) + Calls{At(200, 0, "c001")} + kUp},
      {kCorner, ElevatedAt(300, 600), kTrue,
       Press(0, 0) + Steps({{100, 0}, {200, 0}, {300, 0}, {300, 200}, {300, 400}, {300, 600}}) +
           kUp},
      {kCorner, ElevatedAt(0, 0), kFalse, {}},
      {kCorner, Lock, kFalse, {}},
      {Path({{0, 0}, {0.5, 0.5}, {2, 0}}), nullptr, kFalse, {}},
      {Path({{0, 0}}), nullptr, kFalse, {}},
      {Path(std::vector<std::pair<double, double>>(65)), nullptr, kFalse, {}},
      {Mouse("dragPath", {{"points", EncodableList{EncodableList{0.5, 1}}}}),
       nullptr,
       kRefused,
       {}},
      {Mouse("dragPath", {{"points", EncodableList{EncodableList{0.5, 0.5, 0.5}}}}),
       nullptr,
       kRefused,
       {}},
      {Mouse("dragPath", {{"points", 0.5}}), nullptr, kRefused, {}},
      // Wheel turns of at most 20 notches, unless the pointer is over a higher window.
      {Scroll(100), nullptr, kTrue, {Wheel(2400)}},
      {Scroll(-3), nullptr, kTrue, {Wheel(-360)}},
      {Scroll(int64_t{0xFFFFFF9C}), nullptr, kTrue, {Wheel(2400)}},  // saturates, not -100
      {Mouse("scroll", {}), Lock, kTrue, {}},
      {Scroll(1), Lock, kFalse, {}},
      {Scroll(1), [](InjectionRig& r) { r.input.cursor.reset(); }, kTrue, {Wheel(120)}},
      {Scroll(1), ElevatedAt(0, 0), kFalse, {}},
      {Scroll(1), Refuse({1}), kFalse, {Wheel(120)}},
      // Unusable arguments are refused at once.
      {Mouse("Click", {{"x", 0.5}, {"y", 0.5}}), nullptr, kRefused, {}},
      {Mouse("click", {{"x", 0.5}, {"y", "0.5"}}), nullptr, kRefused, {}},
      {{{EncodableValue("x"), 0.5}, {EncodableValue("y"), 0.5}}, nullptr, kRefused, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    tesso::HandlePerformMouse(EncodableMap(c.args), rig.Result(), c.selected, rig.ports(),
                              rig.run_input_job);
    rig.RunQueued();
    EXPECT_THAT(rig.replies, testing::ElementsAreArray(c.replies));
    EXPECT_THAT(rig.input.log, testing::ElementsAreArray(c.calls));
  }
}

TEST(PointerInjection, InterpolatePointsRoundsHalvesAwayFromZeroAndTakesOneStepAtLeast) {
  using tesso::AbsolutePoint;
  EXPECT_THAT(tesso::InterpolatePoints({0, 0}, {3, -3}, 2),
              testing::ElementsAre(AbsolutePoint{2, -2}, AbsolutePoint{3, -3}));
  EXPECT_THAT(tesso::InterpolatePoints({7, 7}, {9, 9}, 0),
              testing::ElementsAre(AbsolutePoint{9, 9}));
}

}  // namespace
}  // namespace tesso_test
