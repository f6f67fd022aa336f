// The display catalogue against a scripted display port: catalogue order, the monitors left
// out, the out-of-range selection and the exact "listDisplays" maps (written out with Describe,
// where i32, bool and string differ and names show their UTF-8 bytes).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/display_catalogue.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/unit/value_description.h"

namespace tesso_test {
namespace {

using testing::ElementsAre;

// "主显示器", "显示器 " and "×" as Describe writes their UTF-8 bytes.
const std::string kMain = "\\xe4\\xb8\\xbb\\xe6\\x98\\xbe\\xe7\\xa4\\xba\\xe5\\x99\\xa8";
const std::string kDisplay = "\\xe6\\x98\\xbe\\xe7\\xa4\\xba\\xe5\\x99\\xa8 ";
const std::string kTimes = "\\xc3\\x97";

struct Entry {
  uintptr_t monitor;
  std::string name;
  int32_t width, height;
  bool is_main, selected;
};

struct CatalogueCase {
  std::string name;
  std::vector<FakeMonitor> monitors;  // in the order Windows reports them
  int32_t selected;
  std::vector<Entry> expected;  // in catalogue order
};

FakeMonitor Flags(FakeMonitor monitor, uint32_t flags) {
  monitor.info.flags = flags;
  return monitor;
}

FakeMonitor Failing(FakeMonitor monitor) {
  monitor.info_fails = true;
  return monitor;
}

std::string Describe(const std::vector<Entry>& entries) {
  std::string out = "list:[";
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    auto b = [](bool value) { return value ? "true" : "false"; };
    out += (i ? "," : "") + std::string("map:{str:\"height\"=i32:") + std::to_string(e.height) +
           ",str:\"index\"=i32:" + std::to_string(i) + ",str:\"isMain\"=" + b(e.is_main) +
           ",str:\"name\"=str:\"" + e.name + "\",str:\"selected\"=" + b(e.selected) +
           ",str:\"width\"=i32:" + std::to_string(e.width) + "}";
  }
  return out + "]";
}

// Primary 1920x1080 at (0, 0), 2560x1440 at (-2560, 0) and 1280x1024 at (1920, 0), reported
// in none of the catalogue's orders.
const std::vector<FakeMonitor> kThree = {Monitor(3, 1920, 0, 1280, 1024),
                                         Monitor(1, 0, 0, 1920, 1080, true),
                                         Monitor(2, -2560, 0, 2560, 1440)};

std::vector<Entry> ThreeSelecting(size_t selected) {
  return {{1, kMain + " (1920" + kTimes + "1080)", 1920, 1080, true, selected == 0},
          {2, kDisplay + "2 (2560" + kTimes + "1440)", 2560, 1440, false, selected == 1},
          {3, kDisplay + "3 (1280" + kTimes + "1024)", 1280, 1024, false, selected == 2}};
}

const CatalogueCase kCases[] = {
    {"primary first, then by signed left", kThree, 0, ThreeSelecting(0)},
    {"selection 1", kThree, 1, ThreeSelecting(1)},
    {"selection 7 out of range", kThree, 7, ThreeSelecting(0)},
    {"selection -1 out of range", kThree, -1, ThreeSelecting(0)},
    {"same left: smaller top first; no primary",
     {Monitor(1, 0, 1024, 1280, 1024), Monitor(2, 0, -1080, 1920, 1080)},
     1,
     {{2, kDisplay + "1 (1920" + kTimes + "1080)", 1920, 1080, false, false},
      {1, kDisplay + "2 (1280" + kTimes + "1024)", 1280, 1024, false, true}}},
    {"failing monitor left out; only flag bit 0 is primary",
     {Flags(Monitor(1, -800, 0, 800, 600), 2), Failing(Monitor(2, -1600, 0, 800, 600, true)),
      Monitor(3, 0, 0, 1024, 768, true)},
     0,
     {{3, kMain + " (1024" + kTimes + "768)", 1024, 768, true, true},
      {1, kDisplay + "2 (800" + kTimes + "600)", 800, 600, false, false}}},
    {"empty enumeration", {}, 0, {}},
};

class DisplayCatalogueTest : public testing::Test {
 protected:
  FakeDisplayPort port_;
};

TEST_F(DisplayCatalogueTest, ListsFindsAndEnumeratesInCatalogueOrder) {
  for (const CatalogueCase& c : kCases) {
    SCOPED_TRACE(c.name);
    port_.monitors = c.monitors;
    EXPECT_EQ(tesso_test::Describe(tesso::BuildDisplayList(port_, c.selected)),
              Describe(c.expected));

    std::vector<uintptr_t> order, expected_order;
    for (const tesso::DisplayInfo& d : tesso::EnumerateDisplays(port_)) {
      order.push_back(static_cast<uintptr_t>(d.monitor));
    }
    for (const Entry& e : c.expected) expected_order.push_back(e.monitor);
    EXPECT_EQ(order, expected_order);

    const std::optional<tesso::DisplayInfo> found = tesso::FindDisplay(port_, c.selected);
    ASSERT_EQ(found.has_value(), !c.expected.empty());
    for (const Entry& e : c.expected) {
      if (!e.selected) continue;
      EXPECT_EQ(static_cast<uintptr_t>(found->monitor), e.monitor);
      EXPECT_EQ(found->width(), e.width);
      EXPECT_EQ(found->height(), e.height);
    }
  }
}

TEST_F(DisplayCatalogueTest, EveryLookupEnumeratesAfreshWithZeroedSizedRecords) {
  port_.monitors = {Monitor(1, 0, 0, 800, 600, true), Failing(Monitor(2, 800, 0, 800, 600))};
  tesso::FindDisplay(port_, 0);
  port_.monitors.pop_back();
  tesso::BuildDisplayList(port_, 0);
  EXPECT_THAT(port_.calls, ElementsAre("EnumDisplayMonitors()", "GetMonitorInfoW(1, 40)",
                                       "GetMonitorInfoW(2, 40)", "EnumDisplayMonitors()",
                                       "GetMonitorInfoW(1, 40)"));
}

TEST_F(DisplayCatalogueTest, VirtualScreenAddsSizesToTheOrigin) {
  port_.metrics = {{76, -2560}, {77, -200}, {78, 5760}, {79, 1640}};
  const tesso::ScreenRect rect = tesso::GetVirtualScreenRect(port_);
  EXPECT_EQ(std::vector<int32_t>({rect.left, rect.top, rect.right, rect.bottom}),
            std::vector<int32_t>({-2560, -200, 3200, 1440}));
}

}  // namespace
}  // namespace tesso_test
