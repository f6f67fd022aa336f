// Known pictures for the capture fakes: 4 bytes a pixel (blue, green, red, fourth), rows
// packed, every pixel telling its place and the seed.
#ifndef TESSO_TESTS_FAKES_FAKE_PICTURES_H_
#define TESSO_TESTS_FAKES_FAKE_PICTURES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tesso_test {

inline std::vector<uint8_t> PatternPixels(uint32_t width, uint32_t height, uint8_t seed) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint8_t* pixel = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      pixel[0] = static_cast<uint8_t>(x * 7 + seed);
      pixel[1] = static_cast<uint8_t>(y * 13 + seed);
      pixel[2] = seed;
      pixel[3] = 0xFF;
    }
  }
  return pixels;
}

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_PICTURES_H_
