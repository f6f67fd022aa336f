// The host window's message receivers for the routing tests: records every call in order and
// answers as told (which services exist, who consumes the message, the base's result).
#ifndef TESSO_TESTS_FAKES_FAKE_HOST_WINDOW_ROUTES_H_
#define TESSO_TESTS_FAKES_FAKE_HOST_WINDOW_ROUTES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runner/message_routing.h"

namespace tesso_test {

class FakeHostWindowRoutes : public tesso::HostWindowRoutes {
 public:
  // Switches.
  bool has_wake_service = true;
  bool has_desktop_host = true;
  std::optional<int64_t> window_service_result;  // set: the window service consumes
  std::optional<int64_t> engine_result;          // set: the engine consumes
  int64_t base_result = 0;

  // Every call, in order, as "Name" or "Name message wparam lparam" (decimal).
  std::vector<std::string> calls;

  bool DeliverWakeResult() override;
  bool DrainDesktopHostCompletions() override;
  std::optional<int64_t> OfferToWindowService(uint32_t message, uint64_t wparam,
                                              int64_t lparam) override;
  std::optional<int64_t> OfferToEngine(uint32_t message, uint64_t wparam, int64_t lparam) override;
  void ReloadSystemFonts() override;
  int64_t HandleByWindowBase(uint32_t message, uint64_t wparam, int64_t lparam) override;

 private:
  void Log(const char* name, uint32_t message, uint64_t wparam, int64_t lparam);
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_HOST_WINDOW_ROUTES_H_
