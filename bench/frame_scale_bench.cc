// The frame pipeline's reduction of a 3840 x 2160 picture to 1920 x 1080 (area averaging) and
// its encode, against one libjpeg-turbo encode of a 1920 x 1080 picture: the goal is scale
// plus encode within twice the full-size encode. Ratios are read from one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/desktop_picture.h"
#include "desktop_host/box_scaler.h"
#include "desktop_host/turbo_jpeg_encoder.h"

namespace {

void BM_Encode1080p(benchmark::State& state) {
  const std::vector<uint8_t> picture = tesso::bench::DesktopPicture(1920, 1080);
  tesso::TurboJpegEncoder encoder;
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    if (!encoder.Encode(picture.data(), 1920, 1080, 1920 * 4, 0.8f, &bytes))
      state.SkipWithError("encode");
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_Encode1080p)->Unit(benchmark::kMillisecond);

void BM_Scale4kTo1080p(benchmark::State& state) {
  const std::vector<uint8_t> picture = tesso::bench::DesktopPicture(3840, 2160);
  tesso::BoxScaler scaler;
  for (auto _ : state) {
    if (!scaler.Scale(picture.data(), 3840, 2160, 3840 * 4, 1920, 1080))
      state.SkipWithError("scale");
    benchmark::DoNotOptimize(scaler.pixels().data());
  }
}
BENCHMARK(BM_Scale4kTo1080p)->Unit(benchmark::kMillisecond);

// A fractional reduction: 2560 x 1440 to 1920 x 1080 (3:4).
void BM_Scale1440pTo1080p(benchmark::State& state) {
  const std::vector<uint8_t> picture = tesso::bench::DesktopPicture(2560, 1440);
  tesso::BoxScaler scaler;
  for (auto _ : state) {
    if (!scaler.Scale(picture.data(), 2560, 1440, 2560 * 4, 1920, 1080))
      state.SkipWithError("scale");
    benchmark::DoNotOptimize(scaler.pixels().data());
  }
}
BENCHMARK(BM_Scale1440pTo1080p)->Unit(benchmark::kMillisecond);

void BM_Scale4kAndEncode(benchmark::State& state) {
  const std::vector<uint8_t> picture = tesso::bench::DesktopPicture(3840, 2160);
  tesso::BoxScaler scaler;
  tesso::TurboJpegEncoder encoder;
  std::vector<uint8_t> bytes;
  for (auto _ : state) {
    if (!scaler.Scale(picture.data(), 3840, 2160, 3840 * 4, 1920, 1080) ||
        !encoder.Encode(scaler.pixels().data(), 1920, 1080, 1920 * 4, 0.8f, &bytes)) {
      state.SkipWithError("scale or encode");
    }
  }
}
BENCHMARK(BM_Scale4kAndEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
