// The JPEG encoder port on Windows: COM and the Windows Imaging Component, one COM reference
// per object kind. Capture worker only, inside its multithreaded COM apartment.
#ifndef TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_WIN_H_
#define TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_WIN_H_

#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "desktop_host/jpeg_encoder_port.h"

namespace tesso {

class JpegEncoderPortWin : public JpegEncoderPort {
 public:
  bool Holds(WicObject object) override;
  void Release(WicObject object) override;
  int32_t CoCreateInstance(const Guid& class_id, uint32_t context,
                           const Guid& interface_id) override;
  int32_t CreateBitmapFromMemory(uint32_t width, uint32_t height, const Guid& format,
                                 uint32_t stride, uint32_t buffer_size,
                                 const uint8_t* pixels) override;
  int32_t CreateFormatConverter() override;
  int32_t InitializeConverter(WicObject source, const Guid& format, uint32_t dither,
                              double alpha_threshold, uint32_t palette_type) override;
  int32_t CreateStreamOnHGlobal(bool delete_on_release) override;
  int32_t CreateEncoder(const Guid& container) override;
  int32_t InitializeEncoder(uint32_t cache_option) override;
  int32_t CreateNewFrame() override;
  int32_t WriteOption(const std::u16string& name, const OptionValue& value) override;
  int32_t InitializeFrame() override;
  int32_t SetSize(uint32_t width, uint32_t height) override;
  int32_t SetPixelFormat(Guid* format) override;
  int32_t WriteSource(WicObject source) override;
  int32_t CommitFrame() override;
  int32_t CommitEncoder() override;
  int32_t Stat(uint32_t flags, uint64_t* size) override;
  int32_t Seek(int64_t offset, uint32_t origin) override;
  int32_t Read(uint8_t* buffer, uint32_t size, uint32_t* read) override;

 private:
  // The bitmap or the converter as a pipeline source; null for anything else.
  IWICBitmapSource* Source(WicObject object) const;

  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
  Microsoft::WRL::ComPtr<IWICBitmap> bitmap_;
  Microsoft::WRL::ComPtr<IWICFormatConverter> converter_;
  Microsoft::WRL::ComPtr<IStream> stream_;
  Microsoft::WRL::ComPtr<IWICBitmapEncoder> encoder_;
  Microsoft::WRL::ComPtr<IWICBitmapFrameEncode> frame_;
  Microsoft::WRL::ComPtr<IPropertyBag2> property_bag_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_WIN_H_
