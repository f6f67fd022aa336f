#include "tests/fakes/fake_host_window_routes.h"

namespace tesso_test {

bool FakeHostWindowRoutes::DeliverWakeResult() {
  calls.push_back("DeliverWakeResult");
  return has_wake_service;
}

bool FakeHostWindowRoutes::DrainDesktopHostCompletions() {
  calls.push_back("DrainDesktopHostCompletions");
  return has_desktop_host;
}

std::optional<int64_t> FakeHostWindowRoutes::OfferToWindowService(uint32_t message, uint64_t wparam,
                                                                  int64_t lparam) {
  Log("OfferToWindowService", message, wparam, lparam);
  return window_service_result;
}

std::optional<int64_t> FakeHostWindowRoutes::OfferToEngine(uint32_t message, uint64_t wparam,
                                                           int64_t lparam) {
  Log("OfferToEngine", message, wparam, lparam);
  return engine_result;
}

void FakeHostWindowRoutes::ReloadSystemFonts() { calls.push_back("ReloadSystemFonts"); }

int64_t FakeHostWindowRoutes::HandleByWindowBase(uint32_t message, uint64_t wparam,
                                                 int64_t lparam) {
  Log("HandleByWindowBase", message, wparam, lparam);
  return base_result;
}

void FakeHostWindowRoutes::Log(const char* name, uint32_t message, uint64_t wparam,
                               int64_t lparam) {
  calls.push_back(std::string(name) + " " + std::to_string(message) + " " + std::to_string(wparam) +
                  " " + std::to_string(lparam));
}

}  // namespace tesso_test
