#include "desktop_host/box_scaler.h"

#include <emmintrin.h>  // SSE2, which every x86-64 processor has

#include <algorithm>
#include <cstddef>

namespace tesso {
namespace {

// Weights add up to 1 << kWeightBits on each axis and fit a signed 16-bit lane. A source byte
// times weights stays below 2^22; narrowed by kNarrowBits it keeps 4 bits below a level
// (< 2^12), and those times the column weights stay below 2^26.
constexpr int kWeightBits = 14;
constexpr int kNarrowBits = 10;
constexpr int kFinalShift = 2 * kWeightBits - kNarrowBits;

}  // namespace

void BoxScaler::Axis::Make(int32_t in_size, int32_t out_size) {
  if (in == in_size && out == out_size) return;
  in = in_size;
  out = out_size;
  first.assign(out, 0);
  count.assign(out, 0);
  offset.assign(out, 0);
  weights.clear();
  // In units of 1/out of a source line, output i spans [i * in, (i + 1) * in) and source line
  // j spans [j * out, (j + 1) * out). A tap's weight is the rounded share of the output's span
  // up to the tap's end less that up to its start, so the weights add up to exactly the unit.
  const int64_t span = in;
  auto share = [span](int64_t units) {
    return static_cast<int16_t>(((units << kWeightBits) + span / 2) / span);
  };
  for (int32_t i = 0; i < out; ++i) {
    const int64_t start = int64_t{i} * in, end = start + in;
    const int32_t j0 = static_cast<int32_t>(start / out);
    const int32_t j1 = static_cast<int32_t>((end + out - 1) / out);  // past the last
    first[i] = j0;
    count[i] = j1 - j0;
    offset[i] = static_cast<int32_t>(weights.size());
    for (int32_t j = j0; j < j1; ++j) {
      const int64_t low = std::max<int64_t>(start, int64_t{j} * out) - start;
      const int64_t high = std::min<int64_t>(end, int64_t{j + 1} * out) - start;
      weights.push_back(static_cast<int16_t>(share(high) - share(low)));
    }
  }
}

void BoxScaler::MakeColumnPairs() {
  // Per output pixel, its taps two by two as eight lanes (w0 w1) x 4 for _mm_madd_epi16; an
  // odd last tap pairs with a zero weight.
  pairs_.clear();
  pair_offset_.assign(columns_.out + 1, 0);
  for (int32_t x = 0; x < columns_.out; ++x) {
    pair_offset_[x] = static_cast<int32_t>(pairs_.size() / 8);
    const int16_t* w = &columns_.weights[columns_.offset[x]];
    for (int32_t t = 0; t < columns_.count[x]; t += 2) {
      const int16_t second = t + 1 < columns_.count[x] ? w[t + 1] : 0;
      for (int lane = 0; lane < 4; ++lane) {
        pairs_.push_back(w[t]);
        pairs_.push_back(second);
      }
    }
  }
  pair_offset_[columns_.out] = static_cast<int32_t>(pairs_.size() / 8);
}

bool BoxScaler::Scale(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                      int32_t out_width, int32_t out_height) {
  if (pixels == nullptr || out_width <= 0 || out_height <= 0 || out_width > width ||
      out_height > height || stride / 4 < width) {
    return false;
  }
  if (columns_.in != width || columns_.out != out_width) {
    columns_.Make(width, out_width);
    MakeColumnPairs();
  }
  rows_.Make(height, out_height);
  const size_t n = static_cast<size_t>(width) * 4;
  sums_.resize(n);
  row_.assign(n + 4, 0);  // one pixel more, of weight 0, for an odd last tap
  out_.resize(static_cast<size_t>(out_width) * out_height * 4);
  uint32_t* sums = sums_.data();
  int16_t* row = row_.data();
  constexpr uint32_t kNarrowHalf = 1u << (kNarrowBits - 1);

  for (int32_t y = 0; y < out_height; ++y) {
    // Vertically: the output row's source rows, weighted, narrowed at the last one. The loops
    // run over whole rows of bytes with one weight, which the compiler turns into SIMD.
    const int32_t taps = rows_.count[y];
    const int16_t* weight = &rows_.weights[rows_.offset[y]];
    const uint8_t* source = pixels + static_cast<size_t>(rows_.first[y]) * stride;
    if (taps == 1) {
      const uint16_t w = static_cast<uint16_t>(weight[0]);
      for (size_t k = 0; k < n; ++k) {
        row[k] = static_cast<int16_t>((uint32_t{source[k]} * w + kNarrowHalf) >> kNarrowBits);
      }
    } else if (taps == 2) {  // a reduction by up to 2, the most common: one pass
      const uint8_t* second = source + stride;
      const uint16_t w0 = static_cast<uint16_t>(weight[0]), w1 = static_cast<uint16_t>(weight[1]);
      for (size_t k = 0; k < n; ++k) {
        row[k] = static_cast<int16_t>(
            (uint32_t{source[k]} * w0 + uint32_t{second[k]} * w1 + kNarrowHalf) >> kNarrowBits);
      }
    } else {
      uint16_t w = static_cast<uint16_t>(weight[0]);
      for (size_t k = 0; k < n; ++k) sums[k] = uint32_t{source[k]} * w;
      for (int32_t t = 1; t + 1 < taps; ++t) {
        source += stride;
        w = static_cast<uint16_t>(weight[t]);
        for (size_t k = 0; k < n; ++k) sums[k] += uint32_t{source[k]} * w;
      }
      source += stride;
      w = static_cast<uint16_t>(weight[taps - 1]);
      for (size_t k = 0; k < n; ++k) {
        row[k] =
            static_cast<int16_t>((sums[k] + uint32_t{source[k]} * w + kNarrowHalf) >> kNarrowBits);
      }
    }
    // Horizontally: each output pixel from its source pixels two at a time, the four bytes
    // alike: (b0 b1 g0 g1 r0 r1 x0 x1) times (w0 w1) x 4, summed in pairs.
    uint8_t* target = &out_[static_cast<size_t>(y) * out_width * 4];
    const __m128i half = _mm_set1_epi32(1 << (kFinalShift - 1));
    for (int32_t x = 0; x < out_width; ++x) {
      const int16_t* p = &row[static_cast<size_t>(columns_.first[x]) * 4];
      __m128i sum = half;
      for (int32_t pair = pair_offset_[x]; pair < pair_offset_[x + 1]; ++pair, p += 8) {
        const __m128i two = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i mixed = _mm_unpacklo_epi16(two, _mm_srli_si128(two, 8));
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&pairs_[pair * 8]));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(mixed, w));
      }
      const __m128i words = _mm_packs_epi32(_mm_srai_epi32(sum, kFinalShift), sum);
      const int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
      std::copy_n(reinterpret_cast<const uint8_t*>(&four), 4, target + x * 4);
    }
  }
  return true;
}

void BoxScaler::Release() {
  columns_ = Axis();
  rows_ = Axis();
  pairs_ = {};
  pair_offset_ = {};
  sums_ = {};
  row_ = {};
  out_ = {};
}

}  // namespace tesso
