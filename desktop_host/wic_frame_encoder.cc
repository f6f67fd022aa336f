#include "desktop_host/wic_frame_encoder.h"

#include <utility>

#include "desktop_host/encode_jpeg.h"

namespace tesso {

WicFrameEncoder::WicFrameEncoder(std::unique_ptr<JpegEncoderPort> port) : port_(std::move(port)) {}

WicFrameEncoder::~WicFrameEncoder() { Release(); }

bool WicFrameEncoder::Encode(const uint8_t* pixels, int32_t width, int32_t height, int32_t stride,
                             float quality, std::vector<uint8_t>* bytes) {
  if (!port_->Holds(WicObject::Factory) &&
      port_->CoCreateInstance(kClsidWicImagingFactory, kClsctxInprocServer, kIidWicImagingFactory) <
          0) {
    return false;
  }
  return EncodeJpeg(*port_, pixels, width, height, stride, quality, bytes);
}

void WicFrameEncoder::Release() { port_->Release(WicObject::Factory); }

}  // namespace tesso
