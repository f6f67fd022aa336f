// A tick clock for the capture engine tests: reads `now`, then moves it on by `step`; waits
// that fake ports simulate move it with Advance.
#ifndef TESSO_TESTS_FAKES_FAKE_TICK_CLOCK_H_
#define TESSO_TESTS_FAKES_FAKE_TICK_CLOCK_H_

#include <cstdint>

#include "desktop_host/tick_clock.h"

namespace tesso_test {

class FakeTickClock : public tesso::TickClock {
 public:
  uint64_t now = 1000000;
  uint64_t step = 0;  // added after each reading
  int readings = 0;

  void Advance(uint64_t ms) { now += ms; }
  uint64_t GetTickCount64() override {
    ++readings;
    const uint64_t reading = now;
    now += step;
    return reading;
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_TICK_CLOCK_H_
