#include "runner/dpi_scaling.h"

#include <limits>

namespace tesso {
namespace {

constexpr double kLogicalDpi = 96.0;

}  // namespace

double ScaleFactorForDpi(uint32_t dpi) { return dpi / kLogicalDpi; }

int32_t ScaleToDpi(int32_t logical, uint32_t dpi) {
  const double scaled = logical * ScaleFactorForDpi(dpi);
  // Converting an out-of-range double is undefined; clamp first. No real window gets near.
  if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (scaled <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(scaled);  // truncates toward zero
}

WindowFrame ScaleWindowFrame(const WindowFrame& logical, uint32_t dpi) {
  WindowFrame physical;
  physical.x = ScaleToDpi(logical.x, dpi);
  physical.y = ScaleToDpi(logical.y, dpi);
  physical.width = ScaleToDpi(logical.width, dpi);
  physical.height = ScaleToDpi(logical.height, dpi);
  return physical;
}

}  // namespace tesso
