#include "input/display_catalogue.h"

#include <algorithm>
#include <string>
#include <utility>

namespace tesso {
namespace {

constexpr uint32_t kMonitorInfoSize = 40;  // sizeof(MONITORINFO)
constexpr uint32_t kMonitorInfoFlagPrimary = 1;
constexpr int32_t kXVirtualScreen = 76;
constexpr int32_t kYVirtualScreen = 77;
constexpr int32_t kCxVirtualScreen = 78;
constexpr int32_t kCyVirtualScreen = 79;

bool ComesFirst(const DisplayInfo& a, const DisplayInfo& b) {
  if (a.is_primary != b.is_primary) return a.is_primary;
  if (a.left != b.left) return a.left < b.left;
  return a.top < b.top;
}

std::string DisplayName(const DisplayInfo& display, size_t position) {
  std::string name = display.is_primary ? "主显示器" : "显示器 " + std::to_string(position + 1);
  return name + " (" + std::to_string(display.width()) + "\xC3\x97" +
         std::to_string(display.height()) + ")";
}

size_t EffectivePosition(int32_t index, size_t count) {
  return index >= 0 && static_cast<size_t>(index) < count ? static_cast<size_t>(index) : 0;
}

}  // namespace

std::vector<DisplayInfo> EnumerateDisplays(DisplayPort& port) {
  std::vector<DisplayInfo> displays;
  for (MonitorHandle monitor : port.EnumDisplayMonitors()) {
    MonitorInfo info;
    if (!port.GetMonitorInfoW(monitor, kMonitorInfoSize, &info)) continue;
    DisplayInfo display;
    display.monitor = monitor;
    display.left = info.left;
    display.top = info.top;
    display.right = info.right;
    display.bottom = info.bottom;
    display.is_primary = (info.flags & kMonitorInfoFlagPrimary) != 0;
    displays.push_back(display);
  }
  std::sort(displays.begin(), displays.end(), ComesFirst);
  return displays;
}

std::optional<DisplayInfo> FindDisplay(DisplayPort& port, int32_t index) {
  std::vector<DisplayInfo> displays = EnumerateDisplays(port);
  if (displays.empty()) return std::nullopt;
  return displays[EffectivePosition(index, displays.size())];
}

ScreenRect GetVirtualScreenRect(DisplayPort& port) {
  ScreenRect rect;
  rect.left = port.GetSystemMetrics(kXVirtualScreen);
  rect.top = port.GetSystemMetrics(kYVirtualScreen);
  // Wrapping rather than overflowing keeps a nonsensical metric from being undefined behaviour.
  rect.right = static_cast<int32_t>(static_cast<uint32_t>(rect.left) +
                                    static_cast<uint32_t>(port.GetSystemMetrics(kCxVirtualScreen)));
  rect.bottom =
      static_cast<int32_t>(static_cast<uint32_t>(rect.top) +
                           static_cast<uint32_t>(port.GetSystemMetrics(kCyVirtualScreen)));
  return rect;
}

flutter::EncodableValue BuildDisplayList(DisplayPort& port, int32_t selected) {
  std::vector<DisplayInfo> displays = EnumerateDisplays(port);
  const size_t effective = EffectivePosition(selected, displays.size());
  flutter::EncodableList list;
  list.reserve(displays.size());
  for (size_t i = 0; i < displays.size(); ++i) {
    const DisplayInfo& display = displays[i];
    flutter::EncodableMap entry;
    entry[flutter::EncodableValue("index")] = flutter::EncodableValue(static_cast<int32_t>(i));
    entry[flutter::EncodableValue("name")] = flutter::EncodableValue(DisplayName(display, i));
    entry[flutter::EncodableValue("width")] = flutter::EncodableValue(display.width());
    entry[flutter::EncodableValue("height")] = flutter::EncodableValue(display.height());
    entry[flutter::EncodableValue("isMain")] = flutter::EncodableValue(display.is_primary);
    entry[flutter::EncodableValue("selected")] = flutter::EncodableValue(i == effective);
    list.push_back(flutter::EncodableValue(std::move(entry)));
  }
  return flutter::EncodableValue(std::move(list));
}

}  // namespace tesso
