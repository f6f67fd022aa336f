// The world an injection test runs in: the fake input, session and display ports, a recorder
// for replies and a RunInputJob that queues jobs until the test runs them. By default one
// primary display of 65536 x 65536 pixels is the whole virtual screen, so that an absolute
// coordinate equals its pixel; this process has medium integrity and window kElevated belongs
// to a high-integrity process.
#ifndef TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_
#define TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "input/input_job.h"
#include "input/input_ports.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_input_port.h"
#include "tests/fakes/fake_session_port.h"

namespace tesso_test {

// One pixel of the default display as a fraction.
constexpr double kPixel = 1.0 / 65536;
constexpr uintptr_t kElevated = 0x77;

struct InjectionRig {
  InjectionRig();

  tesso::InputPorts ports() { return {&input, &session, &displays}; }
  // The monitors in enumeration order and the virtual screen's rectangle.
  void SetDisplays(std::vector<FakeMonitor> monitors, int32_t left, int32_t top, int32_t width,
                   int32_t height);
  void LockWorkstation();
  void ShowSecureDesktop();

  // A result handle that adds "success(<value>)", "error(<code>)" or "not implemented" to
  // `replies`.
  tesso::SharedMethodResult Result();
  // Runs every queued job in order and replies success(its result), as the worker would.
  void RunQueuedJobs();

  FakeInputPort input;
  FakeSessionPort session;
  FakeDisplayPort displays;
  std::vector<std::string> replies;
  std::vector<std::pair<tesso::SharedMethodResult, tesso::InputJob>> queued;
  tesso::RunInputJobFunction run_input_job;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_INPUT_INJECTION_RIG_H_
