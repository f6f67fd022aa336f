// The world of an injection test: the three fake ports, and a RunInputJob that queues each job
// (recording "queued") until RunQueued replies success(its result). One primary display of
// 65536 x 65536 pixels is the whole virtual screen, so that an absolute coordinate equals its
// pixel; window kElevated belongs to process 200, of a higher integrity level than this one.
#ifndef TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_
#define TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "input/input_job.h"
#include "input/input_ports.h"
#include "messaging/method_result_functions.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_session_port.h"
#include "tests/unit/value_description.h"

namespace tesso_test {

constexpr uintptr_t kElevated = 0x77;
constexpr double kPixel = 1.0 / 65536;  // one pixel of the default display
using Calls = std::vector<std::string>;
struct InjectionRig;
using Arrange = std::function<void(InjectionRig&)>;

inline Calls operator+(Calls a, const Calls& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct InjectionRig {
  InjectionRig() {
    Layout({Monitor(1, 0, 0, 65536, 65536, true)}, 0, 65536, 65536);
    session.labels[200] = {0x3000};
    session.window_pids[kElevated] = 200;
  }
  void Layout(std::vector<FakeMonitor> monitors, int32_t left, int32_t width, int32_t height) {
    displays.monitors = std::move(monitors);
    displays.metrics = {{76, left}, {77, 0}, {78, width}, {79, height}};
  }
  tesso::InputPorts ports() { return {&input, &session, &displays}; }
  tesso::SharedMethodResult Result() {
    return std::make_shared<flutter::MethodResultFunctions<flutter::EncodableValue>>(
        [this](const flutter::EncodableValue* value) {
          replies.push_back(value ? Describe(*value) : "none");
        },
        nullptr, nullptr);
  }
  void RunQueued() {
    for (auto& [result, job] : queued) result->Success(flutter::EncodableValue(job()));
  }

  FakeInputPort input;
  FakeSessionPort session;
  FakeDisplayPort displays;
  Calls replies;
  std::vector<std::pair<tesso::SharedMethodResult, tesso::InputJob>> queued;
  tesso::RunInputJobFunction run_input_job = [this](auto result, auto job) {
    replies.push_back("queued");
    queued.emplace_back(std::move(result), std::move(job));
  };
};

// The workstation locked, and the secure desktop of an unlocked session.
inline void Lock(InjectionRig& rig) {
  rig.session.desktop_name = u"Winlogon";
  rig.session.session = tesso::SessionInfoEx{1, 0};
}
inline Arrange Refuse(std::vector<size_t> calls) {
  return [calls](InjectionRig& rig) {
    for (size_t n : calls) rig.input.inserted_by_call[n] = 0;
  };
}
inline void Secure(InjectionRig& rig) { rig.session.desktop_name = u"Winlogon"; }

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_
