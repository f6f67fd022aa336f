// A frame encoder made of two: each picture goes to the first, and to the second only when the
// first fails, so a codec that cannot serve a frame costs that frame nothing on the channel.
// Capture worker only.
#ifndef TESSO_DESKTOP_HOST_FALLBACK_FRAME_ENCODER_H_
#define TESSO_DESKTOP_HOST_FALLBACK_FRAME_ENCODER_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "desktop_host/frame_encoder.h"

namespace tesso {

class FallbackFrameEncoder : public FrameEncoder {
 public:
  FallbackFrameEncoder(std::unique_ptr<FrameEncoder> first, std::unique_ptr<FrameEncoder> second);

  bool Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride, float quality,
              std::vector<uint8_t>* bytes) override;
  // Releases both.
  void Release() override;

 private:
  const std::unique_ptr<FrameEncoder> first_;
  const std::unique_ptr<FrameEncoder> second_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_FALLBACK_FRAME_ENCODER_H_
