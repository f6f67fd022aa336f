// The display catalogue against a scripted display port: catalogue order, the monitors left
// out, the out-of-range selection and the exact "listDisplays" maps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/display_catalogue.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using flutter::EncodableValue;
using tesso::MonitorHandle;

EncodableValue Entry(int32_t index, const char* name, int32_t width, int32_t height, bool main,
                     bool selected) {
  return EncodableValue(
      flutter::EncodableMap{{EncodableValue("index"), EncodableValue(index)},
                            {EncodableValue("name"), EncodableValue(name)},
                            {EncodableValue("width"), EncodableValue(width)},
                            {EncodableValue("height"), EncodableValue(height)},
                            {EncodableValue("isMain"), EncodableValue(main)},
                            {EncodableValue("selected"), EncodableValue(selected)}});
}

// Primary 1920x1080 at (0, 0), 2560x1440 at (-2560, 0) and 1280x1024 at (1920, 0), reported in
// none of the catalogue's orders.
const std::vector<FakeMonitor> kThree = {Monitor(3, 1920, 0, 1280, 1024),
                                         Monitor(1, 0, 0, 1920, 1080, true),
                                         Monitor(2, -2560, 0, 2560, 1440)};

flutter::EncodableList Three(int32_t selected) {
  return {Entry(0, "主显示器 (1920×1080)", 1920, 1080, true, selected == 0),
          Entry(1, "显示器 2 (2560×1440)", 2560, 1440, false, selected == 1),
          Entry(2, "显示器 3 (1280×1024)", 1280, 1024, false, selected == 2)};
}

TEST(DisplayCatalogue, ListsAndFindsInCatalogueOrder) {
  const struct {
    std::vector<FakeMonitor> monitors;
    int32_t selected;
    flutter::EncodableList list;
    uintptr_t found;
  } cases[] = {
      {kThree, 0, Three(0), 1},
      {kThree, 1, Three(1), 2},
      {kThree, 7, Three(0), 1},  // out of range: position 0
      {kThree, -1, Three(0), 1},
      // The same left edge: the smaller top first.
      {{Monitor(1, 0, 1024, 1280, 1024), Monitor(2, 0, -1080, 1920, 1080)},
       1,
       {Entry(0, "显示器 1 (1920×1080)", 1920, 1080, false, false),
        Entry(1, "显示器 2 (1280×1024)", 1280, 1024, false, true)},
       1},
      // Only flag bit 0 means primary; a monitor whose information fails is left out.
      {{{MonitorHandle{1}, {-800, 0, 0, 600, 2}},
        {MonitorHandle{2}, {-1600, 0, -800, 600, 1}, true},
        Monitor(3, 0, 0, 1024, 768, true)},
       0,
       {Entry(0, "主显示器 (1024×768)", 1024, 768, true, true),
        Entry(1, "显示器 2 (800×600)", 800, 600, false, false)},
       3},
      {{}, 0, {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    FakeDisplayPort port;
    port.monitors = c.monitors;
    EXPECT_EQ(Describe(tesso::BuildDisplayList(port, c.selected)),
              Describe(EncodableValue(c.list)));
    const auto found = tesso::FindDisplay(port, c.selected);
    EXPECT_EQ(found ? static_cast<uintptr_t>(found->monitor) : 0, c.found);
  }
}

TEST(DisplayCatalogue, EveryCallEnumeratesAfreshAndTheVirtualScreenAddsSizesToItsOrigin) {
  FakeDisplayPort port;
  port.monitors = {Monitor(1, 0, 0, 800, 600, true), {MonitorHandle{2}, {}, true}};
  port.metrics = {{76, -2560}, {77, -200}, {78, 5760}, {79, 1640}};
  tesso::FindDisplay(port, 0);
  tesso::BuildDisplayList(port, 0);
  const tesso::ScreenRect rect = tesso::GetVirtualScreenRect(port);
  EXPECT_EQ(std::vector<int32_t>({rect.left, rect.top, rect.right, rect.bottom}),
            std::vector<int32_t>({-2560, -200, 3200, 1440}));
  EXPECT_THAT(port.calls, testing::ElementsAre("EnumDisplayMonitors", "GetMonitorInfoW 1 40",
                                               "GetMonitorInfoW 2 40", "EnumDisplayMonitors",
                                               "GetMonitorInfoW 1 40", "GetMonitorInfoW 2 40",
                                               "GetSystemMetrics 76", "GetSystemMetrics 77",
                                               "GetSystemMetrics 78", "GetSystemMetrics 79"));
}

}  // namespace
}  // namespace tesso_test
