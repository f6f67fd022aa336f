// The display catalogue: the monitors in catalogue order (primary first, then by left edge,
// then by top edge), the display at an index with the out-of-range rule, the virtual-screen
// rectangle, and the "listDisplays" reply. Nothing is cached: every call enumerates afresh.
// Any thread; no shared state.
#ifndef TESSO_INPUT_DISPLAY_CATALOGUE_H_
#define TESSO_INPUT_DISPLAY_CATALOGUE_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "base/handles.h"
#include "input/display_port.h"
#include "messaging/encodable_value.h"

namespace tesso {

struct DisplayInfo {
  MonitorHandle monitor = MonitorHandle::kNone;
  int32_t left = 0;  // rcMonitor in virtual-screen pixels; right and bottom exclusive
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool is_primary = false;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};

// Left, top, right and bottom of the whole virtual screen, read afresh at each call.
struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Every monitor whose information can be read, in catalogue order.
std::vector<DisplayInfo> EnumerateDisplays(DisplayPort& port);
// The display at `index`; an index out of range means position 0. None when no display is
// enumerated.
std::optional<DisplayInfo> FindDisplay(DisplayPort& port, int32_t index);
ScreenRect GetVirtualScreenRect(DisplayPort& port);
// The "listDisplays" reply: a list of maps ("index", "name", "width", "height", "isMain",
// "selected") in catalogue order; `selected` out of range selects position 0.
flutter::EncodableValue BuildDisplayList(DisplayPort& port, int32_t selected);

}  // namespace tesso

#endif  // TESSO_INPUT_DISPLAY_CATALOGUE_H_
