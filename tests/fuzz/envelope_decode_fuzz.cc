// A response envelope decoded from arbitrary bytes into a result: at most one answer, and its
// code, message and details share one budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fuzz/fuzz_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using flutter::EncodableValue;
  int answers = 0;
  flutter::MethodResultFunctions<EncodableValue> result(
      [&](const EncodableValue*) { ++answers; },
      [&](const std::string&, const std::string&, const EncodableValue*) { ++answers; },
      [&] { ++answers; });
  tesso_fuzz::BudgetCheck check;
  const bool decoded = flutter::StandardMethodCodec::GetInstance().DecodeAndProcessResponseEnvelope(
      data, size, &result);
  if (answers != (decoded ? 1 : 0)) std::abort();
  return 0;
}
