// Turns one picture into one JPEG file. The frame pipeline holds one and never learns which
// codec is behind it, so the codec can change without any change on the channel. Capture
// worker only.
#ifndef TESSO_DESKTOP_HOST_FRAME_ENCODER_H_
#define TESSO_DESKTOP_HOST_FRAME_ENCODER_H_

#include <cstdint>
#include <vector>

namespace tesso {

class FrameEncoder {
 public:
  virtual ~FrameEncoder() = default;

  // Encodes width x height pixels of 4 bytes each (blue, green, red, ignored), rows `stride`
  // bytes apart from the top down, at `quality` (0.1 .. 1.0; 4:4:4 chroma at 0.75 and above,
  // 4:2:0 below) into *bytes, whose capacity is reused from frame to frame. False on any
  // failure; *bytes is then unspecified.
  virtual bool Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                      float quality, std::vector<uint8_t>* bytes) = 0;
  // Lets go of the codec objects kept between frames (capture switched off, the worker
  // ending); the next Encode makes them again.
  virtual void Release() = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_FRAME_ENCODER_H_
