// The COM seam for tests: answers CoInitializeEx with a chosen HRESULT and logs both calls,
// with the thread they came from, to a shared log.
#ifndef TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_
#define TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_

#include <cstdint>
#include <thread>

#include "desktop_host/com_apartment.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {

class FakeComApartment : public tesso::ComApartment {
 public:
  // `log` must outlive the fake. Lines: "CoInitializeEx <coinit> <thread>" and
  // "CoUninitialize <thread>", where <thread> is "ui" for `ui_thread` and "worker" otherwise.
  FakeComApartment(SharedLog* log, std::thread::id ui_thread) : log_(log), ui_thread_(ui_thread) {}

  // Set before the worker starts.
  int32_t initialize_result = 0;

  int32_t CoInitializeEx(uint32_t coinit) override;
  void CoUninitialize() override;

 private:
  const char* ThreadName() const;

  SharedLog* log_;
  std::thread::id ui_thread_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_
