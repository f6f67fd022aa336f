#include "desktop_host/encode_jpeg.h"

#include <cstddef>

#include "base/scope_exit.h"

namespace tesso {

bool EncodeJpeg(JpegEncoderPort& port, const uint8_t* pixels, int32_t width, int32_t height,
                int32_t stride, float quality, std::vector<uint8_t>* bytes) {
  // Every object of this pipeline goes on every path; the factory stays.
  ScopeExit release_pipeline([&port] {
    port.Release(WicObject::PropertyBag);
    port.Release(WicObject::Frame);
    port.Release(WicObject::Encoder);
    port.Release(WicObject::Stream);
    port.Release(WicObject::Converter);
    port.Release(WicObject::Bitmap);
  });
  if (pixels == nullptr || width <= 0 || height <= 0 || stride / 4 < width) return false;
  const uint64_t size = static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  if (size > UINT32_MAX) return false;

  const uint32_t w = static_cast<uint32_t>(width);
  const uint32_t h = static_cast<uint32_t>(height);
  if (port.CreateBitmapFromMemory(w, h, kWicPixelFormat32bppBgr, static_cast<uint32_t>(stride),
                                  static_cast<uint32_t>(size), pixels) < 0) {
    return false;
  }
  if (port.CreateFormatConverter() < 0 ||
      port.InitializeConverter(WicObject::Bitmap, kWicPixelFormat24bppBgr, kWicDitherNone, 0.0,
                               kWicPaletteCustom) < 0) {
    return false;
  }
  if (port.CreateStreamOnHGlobal(true) < 0) return false;
  if (port.CreateEncoder(kContainerFormatJpeg) < 0 ||
      port.InitializeEncoder(kWicEncoderNoCache) < 0) {
    return false;
  }
  if (port.CreateNewFrame() < 0) return false;

  OptionValue image_quality;
  image_quality.type = kVtR4;
  image_quality.r4 = quality;
  OptionValue subsampling;
  subsampling.type = kVtUi1;
  subsampling.ui1 = quality >= 0.75f ? kWicJpegSubsampling444 : kWicJpegSubsampling420;
  if (port.WriteOption(u"ImageQuality", image_quality) < 0 ||
      port.WriteOption(u"JpegYCrCbSubsampling", subsampling) < 0) {
    return false;
  }

  Guid format = kWicPixelFormat24bppBgr;  // the encoder's answer is not looked at
  if (port.InitializeFrame() < 0 || port.SetSize(w, h) < 0 || port.SetPixelFormat(&format) < 0 ||
      port.WriteSource(WicObject::Converter) < 0 || port.CommitFrame() < 0 ||
      port.CommitEncoder() < 0) {
    return false;
  }

  uint64_t stream_size = 0;
  if (port.Stat(kStatFlagNoName, &stream_size) < 0) return false;
  if (stream_size == 0 || stream_size > UINT32_MAX) return false;
  if (port.Seek(0, kStreamSeekSet) < 0) return false;
  const uint32_t file_size = static_cast<uint32_t>(stream_size);
  bytes->resize(file_size);
  uint32_t read = 0;
  return port.Read(bytes->data(), file_size, &read) >= 0 && read == file_size;
}

}  // namespace tesso
