#include "desktop_host/turbo_jpeg_encoder.h"

#include <turbojpeg.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tesso {
namespace {

// A JPEG side is at most 65535 pixels.
constexpr int32_t kMaxSide = 65535;
constexpr float kFullChromaQuality = 0.75f;

}  // namespace

int32_t TurboJpegEncoder::LibjpegQuality(float quality) {
  if (std::isnan(quality)) return 100;
  return static_cast<int32_t>(std::clamp(std::round(quality * 100.0), 10.0, 100.0));
}

TurboJpegEncoder::~TurboJpegEncoder() { Release(); }

bool TurboJpegEncoder::Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                              float quality, std::vector<uint8_t>* bytes) {
  if (pixels == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
      stride / 4 < width) {
    return false;
  }
  if (handle_ == nullptr) {
    handle_ = tjInitCompress();
    if (handle_ == nullptr) return false;
  }
  const int subsampling = quality >= kFullChromaQuality ? TJSAMP_444 : TJSAMP_420;
  const unsigned long bound = tjBufSize(width, height, subsampling);
  // tjAlloc takes an int.
  if (bound == static_cast<unsigned long>(-1) || bound > INT_MAX) return false;
  if (buffer_size_ < bound) {
    tjFree(buffer_);
    buffer_size_ = 0;
    buffer_ = tjAlloc(static_cast<int>(bound));
    if (buffer_ == nullptr) return false;
    buffer_size_ = bound;
  }
  unsigned char* out = buffer_;
  unsigned long size = bound;
  // The accurate DCT: with the SIMD code the fast one measured within a few per cent of it.
  if (tjCompress2(handle_, pixels, width, stride, height, TJPF_BGRX, &out, &size, subsampling,
                  LibjpegQuality(quality), TJFLAG_NOREALLOC) != 0 ||
      out != buffer_ || size == 0 || size > bound) {
    return false;
  }
  // Only the file is copied: far less than the buffer's worst case.
  bytes->assign(buffer_, buffer_ + size);
  return true;
}

void TurboJpegEncoder::Release() {
  if (handle_ != nullptr) tjDestroy(handle_);
  handle_ = nullptr;
  tjFree(buffer_);
  buffer_ = nullptr;
  buffer_size_ = 0;
}

}  // namespace tesso
