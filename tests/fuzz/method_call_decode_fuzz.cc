// A method call decoded from arbitrary bytes: its name and arguments share one budget.
#include <cstddef>
#include <cstdint>

#include "messaging/standard_method_codec.h"
#include "tests/fuzz/fuzz_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tesso_fuzz::BudgetCheck check;
  flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(data, size);
  return 0;
}
