// From logical (96 DPI) pixels to the physical pixels of a monitor, for creating the window.
#ifndef TESSO_RUNNER_DPI_SCALING_H_
#define TESSO_RUNNER_DPI_SCALING_H_

#include <cstdint>

namespace tesso {

// A window's origin and size, all in one kind of pixels.
struct WindowFrame {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// DPI / 96.0: 1.0 at 96 DPI, 1.5 at 144 DPI.
double ScaleFactorForDpi(uint32_t dpi);

// `logical` times the scale factor, truncated toward zero: at 120 DPI 10 becomes 12 (12.5) and
// -10 becomes -12. The factor is a double, so at 98 DPI 240 becomes 244 (the product is
// 244.99999999999997), not 245. Saturates at the int32_t limits rather than overflowing.
int32_t ScaleToDpi(int32_t logical, uint32_t dpi);

// Each of origin x, origin y, width and height scaled with ScaleToDpi.
WindowFrame ScaleWindowFrame(const WindowFrame& logical, uint32_t dpi);

}  // namespace tesso

#endif  // TESSO_RUNNER_DPI_SCALING_H_
