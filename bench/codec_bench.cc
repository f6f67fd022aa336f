// Codec throughput for the largest message the host sends often: a success envelope holding
// a frame-sized byte list. memcpy of the same bytes is the baseline to compare against.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr size_t kFrameBytes = 500 * 1000;

std::vector<uint8_t> FrameBytes() {
  std::vector<uint8_t> bytes(kFrameBytes);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31);
  return bytes;
}

// The shape of a captured frame reply.
EncodableValue FrameReply() {
  return EncodableValue(EncodableMap{
      {EncodableValue("bytes"), EncodableValue(FrameBytes())},
      {EncodableValue("width"), EncodableValue(int32_t{1280})},
      {EncodableValue("height"), EncodableValue(int32_t{720})},
      {EncodableValue("sequence"), EncodableValue(int64_t{42})},
  });
}

void BM_MemcpyBaseline(benchmark::State& state) {
  std::vector<uint8_t> source = FrameBytes();
  std::vector<uint8_t> destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_MemcpyBaseline);

void BM_EncodeSuccessEnvelope(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  EncodableValue reply = FrameReply();
  for (auto _ : state) {
    auto bytes = codec.EncodeSuccessEnvelope(&reply);
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_EncodeSuccessEnvelope);

void BM_DecodeSuccessEnvelope(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  EncodableValue reply = FrameReply();
  auto bytes = codec.EncodeSuccessEnvelope(&reply);
  size_t received = 0;
  flutter::MethodResultFunctions<EncodableValue> result(
      [&](const EncodableValue* value) {
        const auto& map = std::get<EncodableMap>(*value);
        received = std::get<std::vector<uint8_t>>(map.at(EncodableValue("bytes"))).size();
      },
      nullptr, nullptr);
  for (auto _ : state) {
    codec.DecodeAndProcessResponseEnvelope(bytes->data(), bytes->size(), &result);
    benchmark::DoNotOptimize(received);
  }
  if (received != kFrameBytes) state.SkipWithError("decoded the wrong size");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_DecodeSuccessEnvelope);

}  // namespace

BENCHMARK_MAIN();
