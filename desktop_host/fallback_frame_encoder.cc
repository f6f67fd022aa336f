#include "desktop_host/fallback_frame_encoder.h"

#include <utility>

namespace tesso {

FallbackFrameEncoder::FallbackFrameEncoder(std::unique_ptr<FrameEncoder> first,
                                           std::unique_ptr<FrameEncoder> second)
    : first_(std::move(first)), second_(std::move(second)) {}

bool FallbackFrameEncoder::Encode(const uint8_t* pixels, int32_t width, int32_t height,
                                  int32_t stride, float quality, std::vector<uint8_t>* bytes) {
  return first_->Encode(pixels, width, height, stride, quality, bytes) ||
         second_->Encode(pixels, width, height, stride, quality, bytes);
}

void FallbackFrameEncoder::Release() {
  first_->Release();
  second_->Release();
}

}  // namespace tesso
