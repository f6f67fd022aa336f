// Pointer injection for "performMouse": clicks, drags, paths and wheel turns at positions given
// as fractions of the selected display. The argument check runs on the UI thread; the jobs run
// on the capture worker, block it for their pauses, and keep no state between calls.
#ifndef TESSO_INPUT_POINTER_INJECTION_H_
#define TESSO_INPUT_POINTER_INJECTION_H_

#include <cstdint>
#include <vector>

#include "input/input_job.h"
#include "input/input_port.h"
#include "input/input_ports.h"
#include "messaging/encodable_value.h"

namespace tesso {

// A point in the 0 ... 65535 space that spans the virtual screen (MOUSEEVENTF_VIRTUALDESK).
struct AbsolutePoint {
  int32_t x = 0;
  int32_t y = 0;

  bool operator==(const AbsolutePoint& other) const { return x == other.x && y == other.y; }
};

// A position relative to the selected display: 0 at its left or top edge, 1 at the right or
// bottom edge.
struct NormalisedPoint {
  double x = 0;
  double y = 0;
};

// Maps (x, y) on the display at `display_index` (out of range: the first display) to the
// absolute space. False when x or y is outside 0 ... 1 or NaN, when there is no display, or,
// with `check_target`, when the window under the pixel belongs to a higher-integrity process.
// 1.0 addresses the display's last pixel column or row.
bool MapToAbsolute(InputPorts ports, int32_t display_index, double x, double y, bool check_target,
                   AbsolutePoint* point);

// `steps` points (at least 1) evenly from `from` to `to`: `from` is not among them, the last is
// `to`.
std::vector<AbsolutePoint> InterpolatePoints(AbsolutePoint from, AbsolutePoint to, int32_t steps);

// The jobs; each answers whether every event it sent was inserted.
bool ClickJob(InputPorts ports, int32_t display_index, double x, double y, bool right);
bool DragJob(InputPorts ports, int32_t display_index, double x, double y, double end_x,
             double end_y);
bool DragPathJob(InputPorts ports, int32_t display_index,
                 const std::vector<NormalisedPoint>& points);
bool ScrollJob(InputPorts ports, int32_t amount);

// "performMouse" on the UI thread: replies success(false) through `result` when the arguments
// are unusable, otherwise hands `run_input_job` a job holding copies of the arguments, of
// `selected_display` and of `ports`.
void HandlePerformMouse(const flutter::EncodableMap& args, SharedMethodResult result,
                        int32_t selected_display, InputPorts ports,
                        const RunInputJobFunction& run_input_job);

}  // namespace tesso

#endif  // TESSO_INPUT_POINTER_INJECTION_H_
