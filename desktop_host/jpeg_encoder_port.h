// The JPEG encoder's seam to COM and the Windows Imaging Component. The adapter holds one COM
// reference per object kind below; each method is one platform call on the references it
// names and stores what the call gives into its slot (replacing what was there). Which objects
// to make and release, every argument and the order are the caller's. Capture worker only,
// inside its multithreaded COM apartment.
#ifndef TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_H_
#define TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_H_

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <tuple>

#include "desktop_host/hresults.h"

namespace tesso {

// A GUID as Windows lays it out.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

inline bool operator==(const Guid& a, const Guid& b) {
  return std::tie(a.data1, a.data2, a.data3) == std::tie(b.data1, b.data2, b.data3) &&
         std::equal(std::begin(a.data4), std::end(a.data4), std::begin(b.data4));
}

// The COM references the adapter holds, one of each.
enum class WicObject : int32_t {
  Factory,      // IWICImagingFactory
  Bitmap,       // IWICBitmap over the caller's pixels
  Converter,    // IWICFormatConverter
  Stream,       // IStream on an HGLOBAL
  Encoder,      // IWICBitmapEncoder
  Frame,        // IWICBitmapFrameEncode
  PropertyBag,  // IPropertyBag2 of Frame's options
};

// A PROPVARIANT of the two types the encoder options use.
struct OptionValue {
  uint16_t type = 0;  // VARTYPE: VT_R4 or VT_UI1
  float r4 = 0.0f;
  uint8_t ui1 = 0;
};

class JpegEncoderPort {
 public:
  virtual ~JpegEncoderPort() = default;

  // Whether the slot holds a reference.
  virtual bool Holds(WicObject object) = 0;
  // Releases the slot's reference (nothing when it holds none).
  virtual void Release(WicObject object) = 0;

  // CoCreateInstance(class_id, no outer object, context, interface_id) into Factory.
  virtual int32_t CoCreateInstance(const Guid& class_id, uint32_t context,
                                   const Guid& interface_id) = 0;
  // Factory->CreateBitmapFromMemory into Bitmap. WIC reads `pixels` until Bitmap is released.
  virtual int32_t CreateBitmapFromMemory(uint32_t width, uint32_t height, const Guid& format,
                                         uint32_t stride, uint32_t buffer_size,
                                         const uint8_t* pixels) = 0;
  // Factory->CreateFormatConverter into Converter.
  virtual int32_t CreateFormatConverter() = 0;
  // Converter->Initialize(source, format, dither, no palette, alpha_threshold, palette_type).
  virtual int32_t InitializeConverter(WicObject source, const Guid& format, uint32_t dither,
                                      double alpha_threshold, uint32_t palette_type) = 0;
  // CreateStreamOnHGlobal(no memory handle, delete_on_release) into Stream.
  virtual int32_t CreateStreamOnHGlobal(bool delete_on_release) = 0;
  // Factory->CreateEncoder(container, no preferred vendor) into Encoder.
  virtual int32_t CreateEncoder(const Guid& container) = 0;
  // Encoder->Initialize(Stream, cache_option).
  virtual int32_t InitializeEncoder(uint32_t cache_option) = 0;
  // Encoder->CreateNewFrame into Frame and PropertyBag.
  virtual int32_t CreateNewFrame() = 0;
  // PropertyBag->Write of one option named `name` with `value`.
  virtual int32_t WriteOption(const std::u16string& name, const OptionValue& value) = 0;
  // Frame->Initialize(PropertyBag).
  virtual int32_t InitializeFrame() = 0;
  virtual int32_t SetSize(uint32_t width, uint32_t height) = 0;
  // Frame->SetPixelFormat: *format in, and the encoder's choice out.
  virtual int32_t SetPixelFormat(Guid* format) = 0;
  // Frame->WriteSource(source, no rectangle: the whole image).
  virtual int32_t WriteSource(WicObject source) = 0;
  virtual int32_t CommitFrame() = 0;
  virtual int32_t CommitEncoder() = 0;
  // Stream->Stat(flags): *size is cbSize.
  virtual int32_t Stat(uint32_t flags, uint64_t* size) = 0;
  // Stream->Seek(offset, origin), new position not asked for.
  virtual int32_t Seek(int64_t offset, uint32_t origin) = 0;
  // Stream->Read(buffer, size, read).
  virtual int32_t Read(uint8_t* buffer, uint32_t size, uint32_t* read) = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_JPEG_ENCODER_PORT_H_
