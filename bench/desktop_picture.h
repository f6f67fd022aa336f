// The picture the frame benches encode and scale: flat areas, gradients and rows of fine
// "text", as a desktop shows them, so that the codec meets what it meets in use.
#ifndef TESSO_BENCH_DESKTOP_PICTURE_H_
#define TESSO_BENCH_DESKTOP_PICTURE_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tesso::bench {

// width x height pixels of 4 bytes (blue, green, red, ignored), rows top down without gaps.
inline std::vector<uint8_t> DesktopPicture(int width, int height) {
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

}  // namespace tesso::bench

#endif  // TESSO_BENCH_DESKTOP_PICTURE_H_
