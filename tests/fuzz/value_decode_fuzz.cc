// One value decoded from arbitrary bytes, through ReadValue and through ReadValueOfType with
// the first byte as the type; both stay within one message's budget.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "messaging/byte_buffer_stream_reader.h"
#include "messaging/standard_codec_serializer.h"
#include "tests/fuzz/fuzz_budget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& serializer = flutter::StandardCodecSerializer::GetInstance();
  {
    tesso_fuzz::BudgetCheck check;
    flutter::ByteBufferStreamReader reader(data, size);
    serializer.ReadValue(&reader);
    if (reader.made_up() > flutter::StandardCodecSerializer::kMaxOverrun) std::abort();
  }
  if (size > 0) {
    tesso_fuzz::BudgetCheck check;
    flutter::ByteBufferStreamReader reader(data + 1, size - 1);
    serializer.ReadValueOfType(data[0], &reader);
  }
  return 0;
}
