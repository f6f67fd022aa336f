// Codec throughput for the largest messages the host sends often: a success envelope holding
// a frame-sized byte list (500 KB, and 2 MB as a 4K frame's JPEG can be), and a method call
// with such an argument. memcpy of the same bytes is the baseline to compare against: run
//   codec_bench --benchmark_format=json
// and divide each case's bytes_per_second by the baseline's of the same size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

std::vector<uint8_t> FrameBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31);
  return bytes;
}

// The shape of a captured frame reply.
EncodableValue FrameReply(size_t size) {
  return EncodableValue(EncodableMap{
      {EncodableValue("bytes"), EncodableValue(FrameBytes(size))},
      {EncodableValue("width"), EncodableValue(int32_t{1280})},
      {EncodableValue("height"), EncodableValue(int32_t{720})},
      {EncodableValue("sequence"), EncodableValue(int64_t{42})},
  });
}

constexpr int64_t kSmall = 500 * 1000;
constexpr int64_t kLarge = 2 * 1000 * 1000;

void BM_MemcpyBaseline(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  std::vector<uint8_t> source = FrameBytes(size);
  std::vector<uint8_t> destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_MemcpyBaseline)->Arg(kSmall)->Arg(kLarge);

void BM_EncodeSuccessEnvelope(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  const size_t size = static_cast<size_t>(state.range(0));
  EncodableValue reply = FrameReply(size);
  for (auto _ : state) {
    auto bytes = codec.EncodeSuccessEnvelope(&reply);
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_EncodeSuccessEnvelope)->Arg(kSmall)->Arg(kLarge);

void BM_DecodeSuccessEnvelope(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  const size_t size = static_cast<size_t>(state.range(0));
  EncodableValue reply = FrameReply(size);
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
  if (received != size) state.SkipWithError("decoded the wrong size");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_DecodeSuccessEnvelope)->Arg(kSmall)->Arg(kLarge);

void BM_EncodeMethodCall(benchmark::State& state) {
  const auto& codec = flutter::StandardMethodCodec::GetInstance();
  const size_t size = static_cast<size_t>(state.range(0));
  flutter::MethodCall<EncodableValue> call("frame",
                                           std::make_unique<EncodableValue>(FrameReply(size)));
  for (auto _ : state) {
    auto bytes = codec.EncodeMethodCall(call);
    benchmark::DoNotOptimize(bytes->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_EncodeMethodCall)->Arg(kSmall)->Arg(kLarge);

}  // namespace

BENCHMARK_MAIN();
