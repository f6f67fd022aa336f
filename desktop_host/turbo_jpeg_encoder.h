// The frame encoder over libjpeg-turbo's TurboJPEG interface: the picture's 32-bit pixels go
// to the codec as they are (no conversion pass), and the codec's handle, its output buffer and
// the output's capacity are kept from frame to frame. Capture worker only.
#ifndef TESSO_DESKTOP_HOST_TURBO_JPEG_ENCODER_H_
#define TESSO_DESKTOP_HOST_TURBO_JPEG_ENCODER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desktop_host/frame_encoder.h"

namespace tesso {

class TurboJpegEncoder : public FrameEncoder {
 public:
  // The libjpeg quality for `quality` (0.1 .. 1.0): round(quality x 100) within 10 .. 100.
  static int32_t LibjpegQuality(float quality);

  TurboJpegEncoder() = default;
  ~TurboJpegEncoder() override;
  TurboJpegEncoder(const TurboJpegEncoder&) = delete;
  TurboJpegEncoder& operator=(const TurboJpegEncoder&) = delete;

  bool Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride, float quality,
              std::vector<uint8_t>* bytes) override;
  void Release() override;

 private:
  void* handle_ = nullptr;  // tjhandle, made at the first Encode
  // The codec writes here, never past the largest JPEG a frame of the size can make: sized
  // once, so that no frame pays for zeroing or growing it.
  unsigned char* buffer_ = nullptr;
  size_t buffer_size_ = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_TURBO_JPEG_ENCODER_H_
