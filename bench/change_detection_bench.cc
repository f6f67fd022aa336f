// Change detection of two 1080p pictures while copying (the duplication path's row-by-row
// comparison) against memcmp of the same bytes, and the copy of a changed picture against
// memcpy. Ratios are read from one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "desktop_host/row_copy.h"

namespace {

constexpr size_t kWidth = 1920;
constexpr size_t kHeight = 1080;
constexpr size_t kRow = kWidth * 4;

std::vector<uint8_t> Picture() {
  std::vector<uint8_t> pixels(kRow * kHeight);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 31 + i / kRow);
  return pixels;
}

void BM_MemcmpBaseline(benchmark::State& state) {
  const std::vector<uint8_t> source = Picture();
  const std::vector<uint8_t> previous = source;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::memcmp(previous.data(), source.data(), source.size()));
  }
}
BENCHMARK(BM_MemcmpBaseline);

void BM_UnchangedPicture(benchmark::State& state) {
  const std::vector<uint8_t> source = Picture();
  std::vector<uint8_t> previous = source;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        tesso::CopyChangedRows(source.data(), kRow, kRow, kHeight, false, previous.data()));
  }
}
BENCHMARK(BM_UnchangedPicture);

void BM_MemcpyBaseline(benchmark::State& state) {
  const std::vector<uint8_t> source = Picture();
  std::vector<uint8_t> previous(source.size());
  for (auto _ : state) {
    std::memcpy(previous.data(), source.data(), source.size());
    benchmark::DoNotOptimize(previous.data());
  }
}
BENCHMARK(BM_MemcpyBaseline);

// Every pass finds the first row different, so it copies the whole picture.
void BM_ChangedPicture(benchmark::State& state) {
  const std::vector<uint8_t> source = Picture();
  std::vector<uint8_t> previous(source.size());
  for (auto _ : state) {
    previous[0] = static_cast<uint8_t>(source[0] + 1);
    benchmark::DoNotOptimize(
        tesso::CopyChangedRows(source.data(), kRow, kRow, kHeight, false, previous.data()));
  }
}
BENCHMARK(BM_ChangedPicture);

}  // namespace

BENCHMARK_MAIN();
