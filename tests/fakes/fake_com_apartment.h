// The COM seam for the worker tests: answers CoInitializeEx as told and logs both calls, with
// the thread they came from, to a shared log.
#ifndef TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_
#define TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_

#include <string>
#include <thread>

#include "desktop_host/com_apartment.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {

struct FakeComApartment : tesso::ComApartment {
  FakeComApartment(SharedLog* lines, std::thread::id ui_thread) : log(lines), ui(ui_thread) {}
  int32_t CoInitializeEx(uint32_t coinit) override {
    log->Add("CoInitializeEx " + std::to_string(coinit) + Thread());
    return initialize_result;
  }
  void CoUninitialize() override { log->Add("CoUninitialize" + Thread()); }
  std::string Thread() const { return std::this_thread::get_id() == ui ? " ui" : " worker"; }

  SharedLog* log;
  std::thread::id ui;
  int32_t initialize_result = 0;  // set before the worker starts
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_COM_APARTMENT_H_
