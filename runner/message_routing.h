// The order in which the host window offers a top-level window message to the native services,
// the engine and the window base. The order lives here, in portable code; the host
// window (runner/flutter_window_win.cc) supplies the receivers through HostWindowRoutes.
#ifndef TESSO_RUNNER_MESSAGE_ROUTING_H_
#define TESSO_RUNNER_MESSAGE_ROUTING_H_

#include <cstdint>
#include <optional>

namespace tesso {

// Private messages that worker threads post to the top-level window; both parameters are
// ignored.
inline constexpr uint32_t kWakeResultMessage = 0x8057;         // WM_APP + 0x57
inline constexpr uint32_t kDesktopHostResultMessage = 0x8059;  // WM_APP + 0x59
inline constexpr uint32_t kWmFontChange = 0x001D;

// The receivers of the host window's messages. Each method is called on the UI thread, at most
// once per message, and only in the order RouteHostWindowMessage fixes. `wparam` and `lparam`
// are WPARAM and LPARAM; a result is an LRESULT.
class HostWindowRoutes {
 public:
  virtual ~HostWindowRoutes() = default;

  // Runs the wake service's DeliverAdapterResult. False (and nothing done) when there is no
  // wake service.
  virtual bool DeliverWakeResult() = 0;
  // Runs the desktop host's DrainCompletions. False (and nothing done) when there is no
  // desktop host.
  virtual bool DrainDesktopHostCompletions() = 0;
  // The window service's HandleWindowMessage: the result when it consumed the message, none
  // when it passed it on or there is no window service. A consumed message may have destroyed
  // the window, and with it the services, before this returns.
  virtual std::optional<int64_t> OfferToWindowService(uint32_t message, uint64_t wparam,
                                                      int64_t lparam) = 0;
  // The engine's HandleTopLevelWindowProc: the result when the engine consumed the message,
  // none when it did not or there is no view controller.
  virtual std::optional<int64_t> OfferToEngine(uint32_t message, uint64_t wparam,
                                               int64_t lparam) = 0;
  // Tells the engine to reload the system fonts; nothing when there is no view controller.
  virtual void ReloadSystemFonts() = 0;
  // The window base's MessageHandler; its result is the message's result.
  virtual int64_t HandleByWindowBase(uint32_t message, uint64_t wparam, int64_t lparam) = 0;
};

// Offers `message` in the host window's fixed order and returns its result:
//   1. kWakeResultMessage to the wake service, which consumes it (result 0);
//   2. kDesktopHostResultMessage to the desktop host, which consumes it (result 0);
//   3. any message to the window service, which may consume it;
//   4. then to the engine, which may consume it;
//   5. WM_FONTCHANGE then reloads the engine's fonts;
//   6. last, the window base.
// A private message whose service does not exist goes on to step 3 like any other.
int64_t RouteHostWindowMessage(uint32_t message, uint64_t wparam, int64_t lparam,
                               HostWindowRoutes& routes);

}  // namespace tesso

#endif  // TESSO_RUNNER_MESSAGE_ROUTING_H_
