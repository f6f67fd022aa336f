#include "tests/fakes/fake_com_apartment.h"

#include <string>

namespace tesso_test {

int32_t FakeComApartment::CoInitializeEx(uint32_t coinit) {
  log_->Add("CoInitializeEx " + std::to_string(coinit) + " " + ThreadName());
  return initialize_result;
}

void FakeComApartment::CoUninitialize() {
  log_->Add(std::string("CoUninitialize ") + ThreadName());
}

const char* FakeComApartment::ThreadName() const {
  return std::this_thread::get_id() == ui_thread_ ? "ui" : "worker";
}

}  // namespace tesso_test
