// Pointer injection: the mapping to the absolute space, the interpolation, the exact event
// lists and pauses of every job, and the "performMouse" argument check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
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
using tesso::AbsolutePoint;
using testing::ElementsAreArray;

constexpr uint32_t kMove = 0xC001;
constexpr uint32_t kLeftDown = 0xC003;
constexpr uint32_t kLeftUp = 0xC005;
constexpr uint32_t kRightDown = 0xC009;
constexpr uint32_t kRightUp = 0xC011;
constexpr uint32_t kWheel = 0x0800;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

InputCall At(int32_t x, int32_t y, uint32_t flags) { return Sent({MouseRecord(x, y, 0, flags)}); }

std::vector<InputCall> Join(std::vector<std::vector<InputCall>> parts) {
  std::vector<InputCall> all;
  for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The hover and press that start every click, drag and path.
std::vector<InputCall> PressAt(int32_t x, int32_t y, uint32_t down) {
  return {At(x, y, kMove), Pause(15), At(x, y, down), Pause(30)};
}

// Each step of a drag or path: a move, then 12 ms.
std::vector<InputCall> Steps(std::vector<AbsolutePoint> points) {
  std::vector<InputCall> calls;
  for (const AbsolutePoint& p : points) {
    calls.push_back(At(p.x, p.y, kMove));
    calls.push_back(Pause(12));
  }
  return calls;
}

const std::vector<AbsolutePoint> kSpecTable = {{83, 42},   {167, 83},  {250, 125}, {333, 167},
                                               {417, 208}, {500, 250}, {583, 292}, {667, 333},
                                               {750, 375}, {833, 417}, {917, 458}, {1000, 500}};

struct MapCase {
  const char* name;
  std::vector<FakeMonitor> monitors;
  int32_t screen_left;
  int32_t screen_width;
  int32_t display;
  double x;
  double y;
  bool check_target;
  std::pair<int32_t, int32_t> elevated_pixel;
  bool ok;
  AbsolutePoint expected;
};

TEST(PointerInjection, MapToAbsoluteAddressesPixelsOfTheDisplayInTheVirtualScreen) {
  const std::vector<FakeMonitor> one = {Monitor(1, 0, 0, 1920, 1080, true)};
  const std::vector<FakeMonitor> two = {Monitor(1, -1920, 0, 1920, 1080),
                                        Monitor(2, 0, 0, 1920, 1080, true)};
  const std::pair<int32_t, int32_t> none = {-1, -1};
  const MapCase cases[] = {
      {"first pixel", one, 0, 1920, 0, 0, 0, true, none, true, {0, 0}},
      {"middle", one, 0, 1920, 0, 0.5, 0.5, true, none, true, {32785, 32798}},
      {"1.0 is the last pixel", one, 0, 1920, 0, 1, 1, true, none, true, {65535, 65535}},
      {"primary's left edge in a 3840 screen",
       two,
       -1920,
       3840,
       0,
       0,
       0,
       true,
       none,
       true,
       {32776, 0}},
      {"out of range index is the first display",
       two,
       -1920,
       3840,
       9,
       0,
       0,
       true,
       none,
       true,
       {32776, 0}},
      {"second display", two, -1920, 3840, 1, 0, 1, true, none, true, {0, 65535}},
      {"a screen two pixels wide",
       {Monitor(1, 0, 0, 2, 1080, true)},
       0,
       2,
       0,
       1,
       0,
       true,
       none,
       true,
       {65535, 0}},
      {"x below 0", one, 0, 1920, 0, -0.01, 0.5, true, none, false, {}},
      {"x above 1", one, 0, 1920, 0, 1.5, 0.5, true, none, false, {}},
      {"x NaN", one, 0, 1920, 0, kNaN, 0.5, true, none, false, {}},
      {"y NaN", one, 0, 1920, 0, 0.5, kNaN, true, none, false, {}},
      {"no display", {}, 0, 1920, 0, 0.5, 0.5, true, none, false, {}},
      {"elevated window at the target", one, 0, 1920, 0, 0.5, 0.5, true, {960, 540}, false, {}},
      {"elevated window, target unchecked",
       one,
       0,
       1920,
       0,
       0.5,
       0.5,
       false,
       {960, 540},
       true,
       {32785, 32798}},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionRig rig;
    rig.SetDisplays(c.monitors, c.screen_left, 0, c.screen_width, 1080);
    rig.input.windows[c.elevated_pixel] = kElevated;
    AbsolutePoint point{-1, -1};
    EXPECT_EQ(tesso::MapToAbsolute(rig.ports(), c.display, c.x, c.y, c.check_target, &point), c.ok);
    EXPECT_EQ(point, (c.ok ? c.expected : AbsolutePoint{-1, -1}));
  }
}

TEST(PointerInjection, InterpolatePointsStepsEvenlyAndRoundsHalvesAwayFromZero) {
  const struct {
    AbsolutePoint from, to;
    int32_t steps;
    std::vector<AbsolutePoint> expected;
  } cases[] = {
      {{0, 0}, {1000, 500}, 12, kSpecTable},
      {{0, 0}, {3, -3}, 2, {{2, -2}, {3, -3}}},
      {{7, 7}, {9, 9}, 0, {{9, 9}}},
      {{5, 5}, {5, 5}, 2, {{5, 5}, {5, 5}}},
  };
  for (const auto& c : cases) {
    EXPECT_THAT(tesso::InterpolatePoints(c.from, c.to, c.steps), ElementsAreArray(c.expected));
  }
}

struct JobCase {
  const char* name;
  std::function<void(InjectionRig&)> setup;
  std::function<bool(tesso::InputPorts)> job;
  bool result;
  std::vector<InputCall> calls;
};

void RunJobCases(const std::vector<JobCase>& cases) {
  for (const JobCase& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionRig rig;
    if (c.setup) c.setup(rig);
    EXPECT_EQ(c.job(rig.ports()), c.result);
    EXPECT_THAT(rig.input.calls, ElementsAreArray(c.calls));
  }
}

const auto kNothing = std::vector<InputCall>{};

auto ElevatedAt(int32_t x, int32_t y) {
  return [x, y](InjectionRig& rig) { rig.input.windows[{x, y}] = kElevated; };
}
const auto kLocked = [](InjectionRig& rig) { rig.LockWorkstation(); };

auto Refuse(std::vector<size_t> call_numbers) {
  return [call_numbers](InjectionRig& rig) {
    for (size_t n : call_numbers) rig.input.inserted_by_call[n] = 0;
  };
}

TEST(PointerInjection, ClickJobHoversPressesAndReleasesWithRetries) {
  const auto left = [](tesso::InputPorts p) { return tesso::ClickJob(p, 0, 0.5, 0.5, false); };
  const auto up = At(32768, 32768, kLeftUp);
  RunJobCases({
      {"left", nullptr, left, true, Join({PressAt(32768, 32768, kLeftDown), {up}})},
      {"right", nullptr, [](tesso::InputPorts p) { return tesso::ClickJob(p, 0, 0.5, 0.5, true); },
       true, Join({PressAt(32768, 32768, kRightDown), {At(32768, 32768, kRightUp)}})},
      {"release refused twice", Refuse({3, 4}), left, true,
       Join({PressAt(32768, 32768, kLeftDown), {up, Pause(20), up, Pause(20), up}})},
      {"release refused three times", Refuse({3, 4, 5}), left, false,
       Join({PressAt(32768, 32768, kLeftDown), {up, Pause(20), up, Pause(20), up, Pause(20)}})},
      {"press refused",
       Refuse({2}),
       left,
       false,
       {At(32768, 32768, kMove), Pause(15), At(32768, 32768, kLeftDown)}},
      {"hover refused", Refuse({1}), left, false, {At(32768, 32768, kMove)}},
      {"locked", kLocked, left, false, kNothing},
      {"secure desktop", [](InjectionRig& r) { r.ShowSecureDesktop(); }, left, false, kNothing},
      {"elevated window", ElevatedAt(32768, 32768), left, false, kNothing},
      {"out of range", nullptr,
       [](tesso::InputPorts p) { return tesso::ClickJob(p, 0, 1.5, 0.5, false); }, false, kNothing},
  });
}

TEST(PointerInjection, DragJobMovesInTwelveStepsAndAlwaysReleases) {
  const auto drag = [](tesso::InputPorts p) {
    return tesso::DragJob(p, 0, 0, 0, 1000 * kPixel, 500 * kPixel);
  };
  const auto up = At(1000, 500, kLeftUp);
  RunJobCases({
      {"whole drag", nullptr, drag, true,
       Join({PressAt(0, 0, kLeftDown), Steps(kSpecTable), {up}})},
      {"fifth move refused", Refuse({7}), drag, false,
       Join({PressAt(0, 0, kLeftDown),
             Steps({{83, 42}, {167, 83}, {250, 125}, {333, 167}}),
             {At(417, 208, kMove), up}})},
      {"release refused", Refuse({15, 16, 17}), drag, false,
       Join({PressAt(0, 0, kLeftDown),
             Steps(kSpecTable),
             {up, Pause(20), up, Pause(20), up, Pause(20)}})},
      {"elevated window at the end only", ElevatedAt(1000, 500), drag, true,
       Join({PressAt(0, 0, kLeftDown), Steps(kSpecTable), {up}})},
      {"elevated window at the start", ElevatedAt(0, 0), drag, false, kNothing},
      {"end out of range", nullptr,
       [](tesso::InputPorts p) { return tesso::DragJob(p, 0, 0, 0, 0.5, -0.01); }, false, kNothing},
      {"locked", kLocked, drag, false, kNothing},
  });
}

TEST(PointerInjection, DragPathJobMovesThreeStepsPerSegment) {
  const auto path = [](std::vector<tesso::NormalisedPoint> points) {
    return [points](tesso::InputPorts p) { return tesso::DragPathJob(p, 0, points); };
  };
  const auto corner = path({{0, 0}, {300 * kPixel, 0}, {300 * kPixel, 600 * kPixel}});
  const auto up = At(300, 600, kLeftUp);
  RunJobCases({
      {"two segments", nullptr, corner, true,
       Join({PressAt(0, 0, kLeftDown),
             Steps({{100, 0}, {200, 0}, {300, 0}, {300, 200}, {300, 400}, {300, 600}}),
             {up}})},
      {"a refused move ends all moving", Refuse({4}), corner, false,
       Join({PressAt(0, 0, kLeftDown), Steps({{100, 0}}), {At(200, 0, kMove), up}})},
      {"elevated window at a later point", ElevatedAt(300, 0), path({{0, 0}, {300 * kPixel, 0}}),
       true,
       Join({PressAt(0, 0, kLeftDown),
             Steps({{100, 0}, {200, 0}, {300, 0}}),
             {At(300, 0, kLeftUp)}})},
      {"elevated window at the first point", ElevatedAt(0, 0), corner, false, kNothing},
      {"a point out of range", nullptr, path({{0, 0}, {0.5, 0.5}, {2, 0}}), false, kNothing},
      {"one point", nullptr, path({{0, 0}}), false, kNothing},
      {"65 points", nullptr, path(std::vector<tesso::NormalisedPoint>(65)), false, kNothing},
      {"locked", kLocked, corner, false, kNothing},
  });
}

TEST(PointerInjection, ScrollJobTurnsTheWheelByClampedNotches) {
  const auto scroll = [](int32_t amount) {
    return [amount](tesso::InputPorts p) { return tesso::ScrollJob(p, amount); };
  };
  const auto wheel = [](int32_t delta) { return Sent({MouseRecord(0, 0, delta, kWheel)}); };
  RunJobCases({
      {"100 notches", nullptr, scroll(100), true, {wheel(2400)}},
      {"-3 notches", nullptr, scroll(-3), true, {wheel(-360)}},
      {"zero while locked", kLocked, scroll(0), true, kNothing},
      {"locked", kLocked, scroll(1), false, kNothing},
      {"pointer over an elevated window",
       [](InjectionRig& r) {
         r.input.cursor = std::make_pair(5, 6);
         r.input.windows[{5, 6}] = kElevated;
       },
       scroll(1), false, kNothing},
      {"pointer unreadable",
       [](InjectionRig& r) { r.input.cursor.reset(); },
       scroll(1),
       true,
       {wheel(120)}},
      {"refused", Refuse({1}), scroll(1), false, {wheel(120)}},
  });
}

struct MouseCallCase {
  const char* name;
  EncodableMap args;
  std::vector<std::string> replies;  // after the queued jobs ran
  size_t queued;
  std::vector<InputCall> calls;
};

EncodableValue Points(std::vector<std::pair<EncodableValue, EncodableValue>> points) {
  EncodableList list;
  for (auto& [x, y] : points) list.push_back(EncodableValue(EncodableList{x, y}));
  return EncodableValue(list);
}

TEST(PointerInjection, PerformMouseQueuesAJobOnlyForUsableArguments) {
  const EncodableValue half(0.5);
  const auto kind = [](const char* name) { return EncodableValue(name); };
  const auto click = Join({PressAt(32768, 32768, kLeftDown), {At(32768, 32768, kLeftUp)}});
  std::vector<std::pair<EncodableValue, EncodableValue>> many(65, {half, half});
  const MouseCallCase cases[] = {
      {"click",
       {{kind("kind"), kind("click")}, {kind("x"), half}, {kind("y"), half}},
       {"success(true)"},
       1,
       click},
      {"integer x is 1.0",
       {{kind("kind"), kind("rightClick")},
        {kind("x"), EncodableValue(1)},
        {kind("y"), EncodableValue(int64_t{0})}},
       {"success(true)"},
       1,
       Join({PressAt(65535, 0, kRightDown), {At(65535, 0, kRightUp)}})},
      {"drag",
       {{kind("kind"), kind("drag")},
        {kind("x"), EncodableValue(0.0)},
        {kind("y"), EncodableValue(0.0)},
        {kind("endX"), EncodableValue(1000 * kPixel)},
        {kind("endY"), EncodableValue(500 * kPixel)}},
       {"success(true)"},
       1,
       Join({PressAt(0, 0, kLeftDown), Steps(kSpecTable), {At(1000, 500, kLeftUp)}})},
      {"dragPath",
       {{kind("kind"), kind("dragPath")},
        {kind("points"), Points({{EncodableValue(0.0), EncodableValue(0.0)},
                                 {EncodableValue(300 * kPixel), EncodableValue(0.0)}})}},
       {"success(true)"},
       1,
       Join({PressAt(0, 0, kLeftDown),
             Steps({{100, 0}, {200, 0}, {300, 0}}),
             {At(300, 0, kLeftUp)}})},
      {"scroll",
       {{kind("kind"), kind("scroll")}, {kind("amount"), EncodableValue(-3)}},
       {"success(true)"},
       1,
       {Sent({MouseRecord(0, 0, -360, kWheel)})}},
      {"scroll by an int64 saturates",
       {{kind("kind"), kind("scroll")}, {kind("amount"), EncodableValue(int64_t{0xFFFFFF9C})}},
       {"success(true)"},
       1,
       {Sent({MouseRecord(0, 0, 2400, kWheel)})}},
      {"scroll without amount", {{kind("kind"), kind("scroll")}}, {"success(true)"}, 1, kNothing},
      {"path of one point",
       {{kind("kind"), kind("dragPath")}, {kind("points"), Points({{half, half}})}},
       {"success(false)"},
       1,
       kNothing},
      {"path of 65 points",
       {{kind("kind"), kind("dragPath")}, {kind("points"), Points(many)}},
       {"success(false)"},
       1,
       kNothing},
      {"path with an integer",
       {{kind("kind"), kind("dragPath")}, {kind("points"), Points({{half, EncodableValue(1)}})}},
       {"success(false)"},
       0,
       kNothing},
      {"path point of three",
       {{kind("kind"), kind("dragPath")},
        {kind("points"),
         EncodableValue(EncodableList{EncodableValue(EncodableList{half, half, half})})}},
       {"success(false)"},
       0,
       kNothing},
      {"path not a list",
       {{kind("kind"), kind("dragPath")}, {kind("points"), half}},
       {"success(false)"},
       0,
       kNothing},
      {"kind in another case",
       {{kind("kind"), kind("Click")}, {kind("x"), half}, {kind("y"), half}},
       {"success(false)"},
       0,
       kNothing},
      {"no kind", {{kind("x"), half}, {kind("y"), half}}, {"success(false)"}, 0, kNothing},
      {"drag without endY",
       {{kind("kind"), kind("drag")}, {kind("x"), half}, {kind("y"), half}, {kind("endX"), half}},
       {"success(false)"},
       0,
       kNothing},
      {"y as text",
       {{kind("kind"), kind("click")}, {kind("x"), half}, {kind("y"), kind("0.5")}},
       {"success(false)"},
       0,
       kNothing},
  };
  for (const MouseCallCase& c : cases) {
    SCOPED_TRACE(c.name);
    InjectionRig rig;
    tesso::HandlePerformMouse(c.args, rig.Result(), 0, rig.ports(), rig.run_input_job);
    EXPECT_EQ(rig.queued.size(), c.queued);
    rig.RunQueuedJobs();
    EXPECT_THAT(rig.replies, ElementsAreArray(c.replies));
    EXPECT_THAT(rig.input.calls, ElementsAreArray(c.calls));
  }
}

TEST(PointerInjection, PerformMouseClicksOnTheDisplaySelectedWhenTheCallArrived) {
  InjectionRig rig;
  rig.SetDisplays({Monitor(1, 0, 0, 1920, 1080, true), Monitor(2, 1920, 0, 1920, 1080)}, 0, 0, 3840,
                  1080);
  const EncodableMap args = {{EncodableValue("kind"), EncodableValue("click")},
                             {EncodableValue("x"), EncodableValue(0.0)},
                             {EncodableValue("y"), EncodableValue(0.0)}};
  tesso::HandlePerformMouse(args, rig.Result(), 1, rig.ports(), rig.run_input_job);
  rig.RunQueuedJobs();
  // Pixel 1920 of 3840: lround(1920 * 65535 / 3839) = 32776.
  EXPECT_THAT(rig.input.calls,
              ElementsAreArray(Join({PressAt(32776, 0, kLeftDown), {At(32776, 0, kLeftUp)}})));
}

}  // namespace
}  // namespace tesso_test
