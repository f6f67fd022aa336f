// The order in which the host window offers a message: private worker messages to their
// services, then the window service, the engine, the font reload and the window base.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runner/message_routing.h"
#include "tests/fakes/fake_host_window_routes.h"

namespace tesso_test {
namespace {

struct Route {
  const char* name;
  uint32_t message;
  bool has_wake_service;
  bool has_desktop_host;
  std::optional<int64_t> window_service;  // set: consumes with this result
  std::optional<int64_t> engine;
  int64_t expected_result;
  std::vector<std::string> calls;  // whole call list; "*" stands for " message 3 -4"
};

TEST(HostWindowMessageRouting, EachMessageReachesItsReceiversInOrder) {
  const std::string kService = "OfferToWindowService*", kEngine = "OfferToEngine*",
                    kBase = "HandleByWindowBase*";
  const Route routes[] = {
      {"wake result", 0x8057, true, true, 5, {}, 0, {"DeliverWakeResult"}},
      {"desktop host result", 0x8059, true, true, {}, {}, 0, {"DrainDesktopHostCompletions"}},
      {"wake result, no wake service",
       0x8057,
       false,
       true,
       {},
       {},
       77,
       {"DeliverWakeResult", kService, kEngine, kBase}},
      {"desktop host result, no desktop host",
       0x8059,
       true,
       false,
       {},
       {},
       77,
       {"DrainDesktopHostCompletions", kService, kEngine, kBase}},
      {"wake result, no wake service, consumed",
       0x8057,
       false,
       true,
       0,
       {},
       0,
       {"DeliverWakeResult", kService}},
      {"below the wake result", 0x8056, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"tray callback", 0x8058, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"above the desktop host result", 0x805A, true, true, {}, {}, 77, {kService, kEngine, kBase}},
      {"consumed by the window service", 0x0010, true, true, -3, 9, -3, {kService}},
      {"font change consumed by the window service", 0x001D, true, true, 0, {}, 0, {kService}},
      {"consumed by the engine", 0x0005, true, true, {}, 42, 42, {kService, kEngine}},
      {"font change consumed by the engine", 0x001D, true, true, {}, 0, 0, {kService, kEngine}},
      {"font change",
       0x001D,
       true,
       true,
       {},
       {},
       77,
       {kService, kEngine, "ReloadSystemFonts", kBase}},
      {"ordinary", 0x0010, true, true, {}, {}, 77, {kService, kEngine, kBase}},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    FakeHostWindowRoutes fake;
    fake.has_wake_service = route.has_wake_service;
    fake.has_desktop_host = route.has_desktop_host;
    fake.window_service_result = route.window_service;
    fake.engine_result = route.engine;
    fake.base_result = 77;
    EXPECT_EQ(tesso::RouteHostWindowMessage(route.message, 3, -4, fake), route.expected_result);
    std::vector<std::string> expected;
    for (const std::string& call : route.calls) {
      expected.push_back(call.back() == '*' ? call.substr(0, call.size() - 1) + " " +
                                                  std::to_string(route.message) + " 3 -4"
                                            : call);
    }
    EXPECT_EQ(fake.calls, expected);
  }
}

TEST(HostWindowMessageRouting, ParametersReachEveryReceiverUnchanged) {
  FakeHostWindowRoutes routes;
  tesso::RouteHostWindowMessage(0xC123, 0xFFFFFFFFFFFFFFFFull, INT64_MIN, routes);
  const std::string args = " 49443 18446744073709551615 -9223372036854775808";
  EXPECT_EQ(routes.calls,
            std::vector<std::string>({"OfferToWindowService" + args, "OfferToEngine" + args,
                                      "HandleByWindowBase" + args}));
}

}  // namespace
}  // namespace tesso_test
