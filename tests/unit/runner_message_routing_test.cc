// The order in which the host window offers a message: private worker messages to
// their services, then the window service, the engine, the font reload and the window base.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runner/message_routing.h"
#include "tests/fakes/fake_host_window_routes.h"

namespace tesso_test {
namespace {

using testing::ElementsAre;

constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmFontChange = 0x001D;
constexpr uint32_t kWmSize = 0x0005;
constexpr uint32_t kTrayCallback = 0x8058;  // WM_APP + 0x58, the window service's own

TEST(HostWindowMessageRouting, PrivateMessageNumbersAreThoseOfThePart) {
  EXPECT_EQ(tesso::kWakeResultMessage, 0x8057u);
  EXPECT_EQ(tesso::kDesktopHostResultMessage, 0x8059u);
  EXPECT_EQ(tesso::kWmFontChange, 0x001Du);
}

TEST(HostWindowMessageRouting, WakeResultGoesToTheWakeServiceOnly) {
  FakeHostWindowRoutes routes;
  routes.base_result = 77;
  routes.window_service_result = 5;
  EXPECT_EQ(tesso::RouteHostWindowMessage(0x8057, 1, 2, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("DeliverWakeResult"));
}

TEST(HostWindowMessageRouting, DesktopHostResultGoesToTheDesktopHostOnly) {
  FakeHostWindowRoutes routes;
  routes.base_result = 77;
  EXPECT_EQ(tesso::RouteHostWindowMessage(0x8059, 1, 2, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("DrainDesktopHostCompletions"));
}

TEST(HostWindowMessageRouting, WakeResultWithoutWakeServiceGoesOnLikeAnyMessage) {
  FakeHostWindowRoutes routes;
  routes.has_wake_service = false;
  routes.base_result = 77;
  EXPECT_EQ(tesso::RouteHostWindowMessage(0x8057, 3, -4, routes), 77);
  EXPECT_THAT(routes.calls,
              ElementsAre("DeliverWakeResult", "OfferToWindowService 32855 3 -4",
                          "OfferToEngine 32855 3 -4", "HandleByWindowBase 32855 3 -4"));
}

TEST(HostWindowMessageRouting, DesktopHostResultWithoutDesktopHostGoesOnLikeAnyMessage) {
  FakeHostWindowRoutes routes;
  routes.has_desktop_host = false;
  routes.base_result = 77;
  EXPECT_EQ(tesso::RouteHostWindowMessage(0x8059, 3, -4, routes), 77);
  EXPECT_THAT(routes.calls,
              ElementsAre("DrainDesktopHostCompletions", "OfferToWindowService 32857 3 -4",
                          "OfferToEngine 32857 3 -4", "HandleByWindowBase 32857 3 -4"));
}

TEST(HostWindowMessageRouting, WakeResultWithoutWakeServiceCanBeConsumedByTheWindowService) {
  FakeHostWindowRoutes routes;
  routes.has_wake_service = false;
  routes.window_service_result = 0;
  EXPECT_EQ(tesso::RouteHostWindowMessage(0x8057, 0, 0, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("DeliverWakeResult", "OfferToWindowService 32855 0 0"));
}

TEST(HostWindowMessageRouting, EachPrivateMessageReachesOnlyItsOwnService) {
  FakeHostWindowRoutes routes;
  tesso::RouteHostWindowMessage(0x8057, 0, 0, routes);
  tesso::RouteHostWindowMessage(0x8059, 0, 0, routes);
  EXPECT_THAT(routes.calls, ElementsAre("DeliverWakeResult", "DrainDesktopHostCompletions"));
}

TEST(HostWindowMessageRouting, NeighbouringAppMessagesAreNotPrivate) {
  // 0x8058 is the window service's tray callback; 0x8056 and 0x805A belong to nobody.
  for (const uint32_t message : {0x8056u, kTrayCallback, 0x805Au}) {
    FakeHostWindowRoutes routes;
    tesso::RouteHostWindowMessage(message, 0, 0, routes);
    const std::string m = std::to_string(message);
    EXPECT_THAT(routes.calls,
                ElementsAre("OfferToWindowService " + m + " 0 0", "OfferToEngine " + m + " 0 0",
                            "HandleByWindowBase " + m + " 0 0"));
  }
}

TEST(HostWindowMessageRouting, MessageConsumedByTheWindowServiceReachesNothingElse) {
  FakeHostWindowRoutes routes;
  routes.window_service_result = 0;
  routes.engine_result = 9;
  routes.base_result = 77;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kWmClose, 0, 0, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService 16 0 0"));
}

TEST(HostWindowMessageRouting, WindowServiceResultIsReturnedAsGiven) {
  FakeHostWindowRoutes routes;
  routes.window_service_result = -3;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kTrayCallback, 0, 0x7B, routes), -3);
}

TEST(HostWindowMessageRouting, FontChangeConsumedByTheWindowServiceReloadsNoFonts) {
  FakeHostWindowRoutes routes;
  routes.window_service_result = 0;
  tesso::RouteHostWindowMessage(kWmFontChange, 0, 0, routes);
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService 29 0 0"));
}

TEST(HostWindowMessageRouting, MessageConsumedByTheEngineSkipsTheWindowBase) {
  FakeHostWindowRoutes routes;
  routes.engine_result = 42;
  routes.base_result = 77;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kWmSize, 0, 0x02D00500, routes), 42);
  EXPECT_THAT(routes.calls,
              ElementsAre("OfferToWindowService 5 0 47187200", "OfferToEngine 5 0 47187200"));
}

TEST(HostWindowMessageRouting, FontChangeConsumedByTheEngineReloadsNoFonts) {
  FakeHostWindowRoutes routes;
  routes.engine_result = 0;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kWmFontChange, 0, 0, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService 29 0 0", "OfferToEngine 29 0 0"));
}

TEST(HostWindowMessageRouting, FontChangeReloadsFontsAfterTheEngineAndBeforeTheWindowBase) {
  FakeHostWindowRoutes routes;
  routes.base_result = 0;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kWmFontChange, 0, 0, routes), 0);
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService 29 0 0", "OfferToEngine 29 0 0",
                                        "ReloadSystemFonts", "HandleByWindowBase 29 0 0"));
}

TEST(HostWindowMessageRouting, OrdinaryMessageGoesToServiceEngineAndBaseWithoutFontReload) {
  FakeHostWindowRoutes routes;
  routes.base_result = 123;
  EXPECT_EQ(tesso::RouteHostWindowMessage(kWmClose, 0, 0, routes), 123);
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService 16 0 0", "OfferToEngine 16 0 0",
                                        "HandleByWindowBase 16 0 0"));
}

TEST(HostWindowMessageRouting, ParametersReachEveryReceiverUnchanged) {
  FakeHostWindowRoutes routes;
  const uint64_t wparam = 0xFFFFFFFFFFFFFFFFull;
  const int64_t lparam = INT64_MIN;
  tesso::RouteHostWindowMessage(0xC123, wparam, lparam, routes);
  const std::string args = " 49443 18446744073709551615 -9223372036854775808";
  EXPECT_THAT(routes.calls, ElementsAre("OfferToWindowService" + args, "OfferToEngine" + args,
                                        "HandleByWindowBase" + args));
}

}  // namespace
}  // namespace tesso_test
