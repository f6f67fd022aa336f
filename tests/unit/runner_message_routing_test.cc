// The order in which the host window offers a message (private worker messages to their
// services, then the window service, the engine, the font reload and the window base), and
// the window's scaling to the monitor's DPI.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "runner/dpi_scaling.h"
#include "runner/message_routing.h"

namespace tesso_test {
namespace {

// Logs every call in order as "Name" or "Name message wparam lparam" and answers as told.
struct FakeHostWindowRoutes : tesso::HostWindowRoutes {
  bool has_wake_service = true, has_desktop_host = true;
  std::optional<int64_t> window_service_result, engine_result;  // set: that receiver consumes
  int64_t base_result = 77;
  std::vector<std::string> calls;

  bool DeliverWakeResult() override { return Log("DeliverWakeResult", has_wake_service); }
  bool DrainDesktopHostCompletions() override {
    return Log("DrainDesktopHostCompletions", has_desktop_host);
  }
  std::optional<int64_t> OfferToWindowService(uint32_t m, uint64_t w, int64_t l) override {
    return Log("OfferToWindowService" + Args(m, w, l), window_service_result);
  }
  std::optional<int64_t> OfferToEngine(uint32_t m, uint64_t w, int64_t l) override {
    return Log("OfferToEngine" + Args(m, w, l), engine_result);
  }
  void ReloadSystemFonts() override { Log("ReloadSystemFonts", true); }
  int64_t HandleByWindowBase(uint32_t m, uint64_t w, int64_t l) override {
    return Log("HandleByWindowBase" + Args(m, w, l), base_result);
  }
  static std::string Args(uint32_t m, uint64_t w, int64_t l) {
    return " " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l);
  }
  template <typename T>
  T Log(const std::string& call, T answer) {
    calls.push_back(call);
    return answer;
  }
};

TEST(HostWindowMessageRouting, EachMessageReachesItsReceiversInOrder) {
  struct Route {
    const char* name;
    uint32_t message;
    bool has_wake_service, has_desktop_host;
    std::optional<int64_t> window_service, engine;  // set: consumes with this result
    int64_t expected_result;
    std::vector<std::string> calls;  // "*" stands for " <message> 3 -4"
  };
  const std::string kService = "OfferToWindowService*", kEngine = "OfferToEngine*",
                    kBase = "HandleByWindowBase*";
  // clang-format off
  const Route routes[] = {
      {"wake result", 0x8057, true, true, 5, {}, 0, {"DeliverWakeResult"}},
      {"desktop host result", 0x8059, true, true, {}, {}, 0, {"DrainDesktopHostCompletions"}},
      {"wake result, no wake service", 0x8057, false, true, {}, {}, 77,
       {"DeliverWakeResult", kService, kEngine, kBase}},
      {"desktop host result, no desktop host", 0x8059, true, false, {}, {}, 77,
       {"DrainDesktopHostCompletions", kService, kEngine, kBase}},
      {"wake result, no wake service, consumed", 0x8057, false, true, 0, {}, 0,
       {"DeliverWakeResult", kService}},
      {"below the wake result", 0x8056, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"tray callback", 0x8058, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"above the desktop host result", 0x805A, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"consumed by the window service", 0x0010, true, true, -3, 9, -3, {kService}},
      {"font change consumed by the window service", 0x001D, true, true, 0, {}, 0, {kService}},
      {"consumed by the engine", 0x0005, true, true, {}, 42, 42, {kService, kEngine}},
      {"font change consumed by the engine", 0x001D, true, true, {}, 0, 0, {kService, kEngine}},
      {"font change", 0x001D, true, true, {}, {}, 77,
       {kService, kEngine, "ReloadSystemFonts", kBase}},
      {"ordinary", 0x0010, true, true, {}, {}, 77, {kService, kEngine, kBase}},
  };
  // clang-format on
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    FakeHostWindowRoutes fake;
    fake.has_wake_service = route.has_wake_service;
    fake.has_desktop_host = route.has_desktop_host;
    fake.window_service_result = route.window_service;
    fake.engine_result = route.engine;
    EXPECT_EQ(tesso::RouteHostWindowMessage(route.message, 3, -4, fake), route.expected_result);
    std::vector<std::string> expected;
    for (std::string call : route.calls) {
      if (call.back() == '*') call.back() = ' ', call += std::to_string(route.message) + " 3 -4";
      expected.push_back(call);
    }
    EXPECT_EQ(fake.calls, expected);
  }
  // The parameters reach every receiver unchanged, whatever their size.
  FakeHostWindowRoutes fake;
  tesso::RouteHostWindowMessage(0xC123, UINT64_MAX, INT64_MIN, fake);
  EXPECT_EQ(fake.calls.back(),
            "HandleByWindowBase 49443 18446744073709551615 -9223372036854775808");
}

TEST(DpiScaling, EachNumberTimesDpiOver96TruncatedTowardZeroAndSaturated) {
  const int32_t max = std::numeric_limits<int32_t>::max(),
                min = std::numeric_limits<int32_t>::min();
  struct Case {
    int32_t logical;
    uint32_t dpi;
    int32_t physical;
  };
  // clang-format off
  const Case cases[] = {
      {1280, 96, 1280}, {10, 120, 12} /* 12.5 */, {720, 144, 1080}, {10, 168, 17} /* 17.5 */,
      {1280, 192, 2560}, {11, 120, 13} /* 13.75 */, {1, 144, 1}, {3, 144, 4}, {-10, 120, -12},
      {-11, 120, -13}, {-1, 144, -1}, {40, 72, 30},
      // 240 * (98 / 96.0) is 244.99999999999997: the product of the double factor.
      {240, 98, 244}, {0, 98, 0},
      {max, 192, max}, {min, 192, min}, {max, 96, max}, {max / 2, 192, max - 1},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(tesso::ScaleToDpi(c.logical, c.dpi), c.physical) << c.logical << " at " << c.dpi;
  }
  EXPECT_EQ(tesso::ScaleFactorForDpi(120), 1.25);
  const tesso::WindowFrame frame = tesso::ScaleWindowFrame({1, 3, 5, 7}, 144);
  EXPECT_EQ(std::vector<int32_t>({frame.x, frame.y, frame.width, frame.height}),
            std::vector<int32_t>({1, 4, 7, 10}));
}

}  // namespace
}  // namespace tesso_test
