#include "input/pointer_injection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "input/display_catalogue.h"
#include "input/input_arguments.h"
#include "input/input_desktop_guard.h"
#include "input/input_events.h"

namespace tesso {
namespace {

constexpr uint32_t kPauseAfterFirstMoveMs = 15;
constexpr uint32_t kPauseAfterButtonDownMs = 30;
constexpr uint32_t kPauseAfterStepMs = 12;
constexpr int32_t kDragSteps = 12;
constexpr int32_t kPathStepsPerSegment = 3;
constexpr size_t kMinPathPoints = 2;
constexpr size_t kMaxPathPoints = 64;
constexpr int32_t kMaxWheelNotches = 20;
constexpr int32_t kWheelDeltaPerNotch = 120;
constexpr int64_t kAbsoluteSpan = 65536;

// The pixel offset of `fraction` into an extent of `extent` pixels; 1.0 is the last pixel.
int64_t PixelOffset(double fraction, int64_t extent) {
  if (extent <= 0 || fraction <= 0) return 0;
  return std::min(static_cast<int64_t>(fraction * static_cast<double>(extent)), extent - 1);
}

// The centre of the pixel in the 0 ... 65535 space: Windows turns an absolute coordinate back
// into floor(a x extent / 65536), which lands on the pixel itself, and so does rounding.
int32_t AbsoluteCoordinate(int64_t pixel, int64_t origin, int64_t extent) {
  if (extent <= 0) return 0;
  const int64_t offset = std::clamp<int64_t>(pixel - origin, 0, extent - 1);
  return static_cast<int32_t>((offset * kAbsoluteSpan + kAbsoluteSpan / 2) / extent);
}

InputRecord PointerEvent(AbsolutePoint point, uint32_t button) {
  return MouseEvent(point.x, point.y, 0, kMouseEventPositioned | button);
}

bool OnUserDesktop(InputPorts ports) {
  return GetInputDesktopState(*ports.session) == InputDesktopState::NormalDesktop;
}

// Moves to `point` and presses the button there, with the pauses that let the target see a
// hover before the press. False, with nothing pressed, when either event is refused.
bool PressAt(InputPort& input, AbsolutePoint point, uint32_t button_down) {
  if (!SendMouseInput(input, PointerEvent(point, 0))) return false;
  input.Sleep(kPauseAfterFirstMoveMs);
  if (!SendMouseInput(input, PointerEvent(point, button_down))) return false;
  input.Sleep(kPauseAfterButtonDownMs);
  return true;
}

// Moves in `steps` steps from `from` to `to`; stops at the first refused move.
bool MoveAlong(InputPort& input, AbsolutePoint from, AbsolutePoint to, int32_t steps) {
  for (const AbsolutePoint& point : InterpolatePoints(from, to, steps)) {
    if (!SendMouseInput(input, PointerEvent(point, 0))) return false;
    input.Sleep(kPauseAfterStepMs);
  }
  return true;
}

// An int64 amount is beyond any wheel turn: it saturates rather than wrapping into a turn of
// arbitrary size and direction.
int32_t WheelAmount(const flutter::EncodableMap& args) {
  const std::optional<int64_t> amount = IntegerArgument(args, "amount");
  if (!amount) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(*amount, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Every element must be a list of exactly two doubles. A list too long for a path is refused
// before anything is copied.
std::optional<std::vector<NormalisedPoint>> PathPoints(const flutter::EncodableMap& args) {
  const flutter::EncodableValue* value = FindArgument(args, "points");
  const auto* list = value == nullptr ? nullptr : std::get_if<flutter::EncodableList>(value);
  if (list == nullptr || list->size() > kMaxPathPoints) return std::nullopt;
  std::vector<NormalisedPoint> points;
  for (const flutter::EncodableValue& element : *list) {
    const auto* pair = std::get_if<flutter::EncodableList>(&element);
    if (pair == nullptr || pair->size() != 2) return std::nullopt;
    const double* x = std::get_if<double>(&(*pair)[0]);
    const double* y = std::get_if<double>(&(*pair)[1]);
    if (x == nullptr || y == nullptr) return std::nullopt;
    points.push_back({*x, *y});
  }
  return points;
}

void ReplyFalse(const SharedMethodResult& result) {
  result->Success(flutter::EncodableValue(false));
}

}  // namespace

bool MapToAbsolute(InputPorts ports, int32_t display_index, double x, double y, bool check_target,
                   AbsolutePoint* point) {
  if (!(x >= 0.0 && x <= 1.0 && y >= 0.0 && y <= 1.0)) return false;
  const std::optional<DisplayInfo> display = FindDisplay(*ports.displays, display_index);
  if (!display) return false;
  const int64_t width = int64_t{display->right} - display->left;
  const int64_t height = int64_t{display->bottom} - display->top;
  const int64_t px = display->left + PixelOffset(x, width);
  const int64_t py = display->top + PixelOffset(y, height);
  if (check_target && IsHigherIntegrityWindow(
                          *ports.session, ports.input->WindowFromPoint(static_cast<int32_t>(px),
                                                                       static_cast<int32_t>(py)))) {
    return false;
  }
  const ScreenRect screen = GetVirtualScreenRect(*ports.displays);
  point->x = AbsoluteCoordinate(px, screen.left, int64_t{screen.right} - screen.left);
  point->y = AbsoluteCoordinate(py, screen.top, int64_t{screen.bottom} - screen.top);
  return true;
}

std::vector<AbsolutePoint> InterpolatePoints(AbsolutePoint from, AbsolutePoint to, int32_t steps) {
  const int32_t count = std::max(steps, 1);
  const int32_t dx = to.x - from.x;
  const int32_t dy = to.y - from.y;
  std::vector<AbsolutePoint> points;
  points.reserve(static_cast<size_t>(count));
  for (int32_t i = 1; i <= count; ++i) {
    const double t = static_cast<double>(i) / count;
    points.push_back({from.x + static_cast<int32_t>(std::lround(dx * t)),
                      from.y + static_cast<int32_t>(std::lround(dy * t))});
  }
  return points;
}

bool ClickJob(InputPorts ports, int32_t display_index, double x, double y, bool right) {
  if (!OnUserDesktop(ports)) return false;
  AbsolutePoint point;
  if (!MapToAbsolute(ports, display_index, x, y, true, &point)) return false;
  InputPort& input = *ports.input;
  if (!PressAt(input, point, right ? kMouseEventRightDown : kMouseEventLeftDown)) return false;
  return SendInputWithRetry(input,
                            PointerEvent(point, right ? kMouseEventRightUp : kMouseEventLeftUp));
}

bool DragJob(InputPorts ports, int32_t display_index, double x, double y, double end_x,
             double end_y) {
  if (!OnUserDesktop(ports)) return false;
  AbsolutePoint start;
  AbsolutePoint end;
  if (!MapToAbsolute(ports, display_index, x, y, true, &start) ||
      !MapToAbsolute(ports, display_index, end_x, end_y, false, &end)) {
    return false;
  }
  InputPort& input = *ports.input;
  if (!PressAt(input, start, kMouseEventLeftDown)) return false;
  const bool moved = MoveAlong(input, start, end, kDragSteps);
  const bool released = SendInputWithRetry(input, PointerEvent(end, kMouseEventLeftUp));
  return moved && released;
}

bool DragPathJob(InputPorts ports, int32_t display_index,
                 const std::vector<NormalisedPoint>& points) {
  if (points.size() < kMinPathPoints || points.size() > kMaxPathPoints) return false;
  if (!OnUserDesktop(ports)) return false;
  std::vector<AbsolutePoint> mapped(points.size());
  for (size_t i = 0; i < points.size(); ++i) {
    if (!MapToAbsolute(ports, display_index, points[i].x, points[i].y, i == 0, &mapped[i])) {
      return false;
    }
  }
  InputPort& input = *ports.input;
  if (!PressAt(input, mapped.front(), kMouseEventLeftDown)) return false;
  bool moved = true;
  for (size_t i = 1; i < mapped.size() && moved; ++i) {
    moved = MoveAlong(input, mapped[i - 1], mapped[i], kPathStepsPerSegment);
  }
  const bool released = SendInputWithRetry(input, PointerEvent(mapped.back(), kMouseEventLeftUp));
  return moved && released;
}

bool ScrollJob(InputPorts ports, int32_t amount) {
  if (amount == 0) return true;
  if (!OnUserDesktop(ports)) return false;
  InputPort& input = *ports.input;
  int32_t x = 0;
  int32_t y = 0;
  if (input.GetCursorPos(&x, &y) &&
      IsHigherIntegrityWindow(*ports.session, input.WindowFromPoint(x, y))) {
    return false;
  }
  const int32_t notches = std::clamp(amount, -kMaxWheelNotches, kMaxWheelNotches);
  return SendMouseInput(input, MouseEvent(0, 0, notches * kWheelDeltaPerNotch, kMouseEventWheel));
}

void HandlePerformMouse(const flutter::EncodableMap& args, SharedMethodResult result,
                        int32_t selected_display, InputPorts ports,
                        const RunInputJobFunction& run_input_job) {
  const std::string kind = TextArgument(args, "kind");
  if (kind == "scroll") {
    const int32_t amount = WheelAmount(args);
    run_input_job(std::move(result), [ports, amount] { return ScrollJob(ports, amount); });
    return;
  }
  if (kind == "dragPath") {
    std::optional<std::vector<NormalisedPoint>> points = PathPoints(args);
    if (!points) return ReplyFalse(result);
    run_input_job(std::move(result), [ports, selected_display, path = std::move(*points)] {
      return DragPathJob(ports, selected_display, path);
    });
    return;
  }
  const std::optional<double> x = NumberArgument(args, "x");
  const std::optional<double> y = NumberArgument(args, "y");
  if (!x || !y) return ReplyFalse(result);
  if (kind == "click" || kind == "rightClick") {
    const bool right = kind == "rightClick";
    run_input_job(std::move(result), [ports, selected_display, px = *x, py = *y, right] {
      return ClickJob(ports, selected_display, px, py, right);
    });
    return;
  }
  const std::optional<double> end_x = NumberArgument(args, "endX");
  const std::optional<double> end_y = NumberArgument(args, "endY");
  if (kind != "drag" || !end_x || !end_y) return ReplyFalse(result);
  run_input_job(std::move(result),
                [ports, selected_display, px = *x, py = *y, ex = *end_x, ey = *end_y] {
                  return DragJob(ports, selected_display, px, py, ex, ey);
                });
}

}  // namespace tesso
