// The host window's message receivers for the routing tests: logs every call in order as
// "Name" or "Name message wparam lparam" and answers as told.
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
  bool has_wake_service = true, has_desktop_host = true;
  std::optional<int64_t> window_service_result, engine_result;  // set: that receiver consumes
  int64_t base_result = 0;
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

 private:
  static std::string Args(uint32_t m, uint64_t w, int64_t l) {
    return " " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l);
  }
  template <typename T>
  T Log(const std::string& call, T answer) {
    calls.push_back(call);
    return answer;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_HOST_WINDOW_ROUTES_H_
