#include "runner/message_routing.h"

namespace tesso {

int64_t RouteHostWindowMessage(uint32_t message, uint64_t wparam, int64_t lparam,
                               HostWindowRoutes& routes) {
  if (message == kWakeResultMessage && routes.DeliverWakeResult()) return 0;
  if (message == kDesktopHostResultMessage && routes.DrainDesktopHostCompletions()) return 0;
  if (const std::optional<int64_t> result = routes.OfferToWindowService(message, wparam, lparam)) {
    return *result;
  }
  if (const std::optional<int64_t> result = routes.OfferToEngine(message, wparam, lparam)) {
    return *result;
  }
  if (message == kWmFontChange) routes.ReloadSystemFonts();
  return routes.HandleByWindowBase(message, wparam, lparam);
}

}  // namespace tesso
