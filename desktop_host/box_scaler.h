// Shrinks a picture of 32-bit pixels by area averaging: each output pixel is the mean of the
// source area it covers, source pixels cut by its edges counting with the covered fraction.
// Separable, in fixed point, with the weights and buffers kept while the sizes stay, so that a
// frame of the same sizes allocates nothing. Capture worker only.
#ifndef TESSO_DESKTOP_HOST_BOX_SCALER_H_
#define TESSO_DESKTOP_HOST_BOX_SCALER_H_

#include <cstdint>
#include <vector>

namespace tesso {

class BoxScaler {
 public:
  // Scales width x height pixels (4 bytes each, every byte averaged alike; rows `stride` bytes
  // apart) down to out_width x out_height, rows packed, into pixels(). False, with pixels()
  // unspecified, when a size is not positive, an output side is larger than the source's or
  // the stride is shorter than a row.
  bool Scale(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
             int32_t out_width, int32_t out_height);
  const std::vector<uint8_t>& pixels() const { return out_; }
  // Frees the picture, the weights and the working rows.
  void Release();

 private:
  // The taps of one axis: output i averages `count[i]` source lines from `first[i]` with the
  // weights from weights[offset[i]], which add up to exactly one unit.
  struct Axis {
    void Make(int32_t in_size, int32_t out_size);
    int32_t in = 0, out = 0;
    std::vector<int32_t> first, count, offset;
    std::vector<int16_t> weights;
  };
  void MakeColumnPairs();

  Axis columns_, rows_;
  std::vector<int16_t> pairs_;        // the column weights laid out for SIMD
  std::vector<int32_t> pair_offset_;  // output pixel x's pairs: [pair_offset_[x], [x + 1])
  std::vector<uint32_t> sums_;        // one output row's weighted source rows
  std::vector<int16_t> row_;          // the same narrowed, in 1/16 of a level
  std::vector<uint8_t> out_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_BOX_SCALER_H_
