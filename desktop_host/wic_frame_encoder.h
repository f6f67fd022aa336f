// The frame encoder over the Windows Imaging Component: the imaging factory is made at the
// first encoding and kept until Release; each picture goes through EncodeJpeg's pipeline.
// Capture worker only, inside its multithreaded COM apartment.
#ifndef TESSO_DESKTOP_HOST_WIC_FRAME_ENCODER_H_
#define TESSO_DESKTOP_HOST_WIC_FRAME_ENCODER_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "desktop_host/frame_encoder.h"
#include "desktop_host/jpeg_encoder_port.h"

namespace tesso {

class WicFrameEncoder : public FrameEncoder {
 public:
  explicit WicFrameEncoder(std::unique_ptr<JpegEncoderPort> port);
  ~WicFrameEncoder() override;
  WicFrameEncoder(const WicFrameEncoder&) = delete;
  WicFrameEncoder& operator=(const WicFrameEncoder&) = delete;

  // False also when the imaging factory cannot be made.
  bool Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride, float quality,
              std::vector<uint8_t>* bytes) override;
  // Releases the imaging factory.
  void Release() override;

 private:
  const std::unique_ptr<JpegEncoderPort> port_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_WIC_FRAME_ENCODER_H_
