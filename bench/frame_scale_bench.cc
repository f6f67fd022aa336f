// The frame pipeline's reduction of a 3840 x 2160 picture to 1920 x 1080 (area averaging) and
// its encode, against one libjpeg-turbo encode of a 1920 x 1080 picture: the goal is scale
// plus encode within twice the full-size encode. Ratios are read from one run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "desktop_host/box_scaler.h"
#include "desktop_host/turbo_jpeg_encoder.h"

namespace {

// A desktop-like picture: flat areas, gradients and fine "text" rows.
std::vector<uint8_t> Picture(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  uint32_t noise = 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      noise = noise * 1103515245 + 12345;
      const bool text = (y / 16) % 3 == 0 && (x / 400) % 2 == 0 && ((noise >> 16) & 3) == 0;
      const uint8_t base = x < width / 3 ? 240 : static_cast<uint8_t>(x * 255 / width);
      p[0] = text ? 20 : base;
      p[1] = text ? 20 : static_cast<uint8_t>(y * 255 / height);
      p[2] = text ? 20 : 200;
      p[3] = 0;
    }
  }
  return pixels;
}

void BM_Encode1080p(benchmark::State& state) {
  const std::vector<uint8_t> picture = Picture(1920, 1080);
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
  const std::vector<uint8_t> picture = Picture(3840, 2160);
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
  const std::vector<uint8_t> picture = Picture(2560, 1440);
  tesso::BoxScaler scaler;
  for (auto _ : state) {
    if (!scaler.Scale(picture.data(), 2560, 1440, 2560 * 4, 1920, 1080))
      state.SkipWithError("scale");
    benchmark::DoNotOptimize(scaler.pixels().data());
  }
}
BENCHMARK(BM_Scale1440pTo1080p)->Unit(benchmark::kMillisecond);

void BM_Scale4kAndEncode(benchmark::State& state) {
  const std::vector<uint8_t> picture = Picture(3840, 2160);
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
