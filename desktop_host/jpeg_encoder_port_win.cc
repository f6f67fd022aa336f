#include "desktop_host/jpeg_encoder_port_win.h"

#include <combaseapi.h>
#include <oleauto.h>

#include <cstring>
#include <string>

namespace tesso {
namespace {

static_assert(CLSCTX_INPROC_SERVER == 1 && WICBitmapInterpolationModeFant == 3 &&
              WICBitmapDitherTypeNone == 0 && WICBitmapPaletteTypeCustom == 0 &&
              WICBitmapEncoderNoCache == 2 && VT_R4 == 4 && VT_UI1 == 17 &&
              WICJpegYCrCbSubsampling420 == 1 && WICJpegYCrCbSubsampling444 == 3 &&
              STATFLAG_NONAME == 1 && STREAM_SEEK_SET == 0);
static_assert(sizeof(GUID) == sizeof(Guid) && sizeof(wchar_t) == sizeof(char16_t));

GUID Native(const Guid& guid) {
  GUID native;
  native.Data1 = guid.data1;
  native.Data2 = guid.data2;
  native.Data3 = guid.data3;
  std::memcpy(native.Data4, guid.data4, sizeof(native.Data4));
  return native;
}

Guid Portable(const GUID& native) {
  Guid guid;
  guid.data1 = native.Data1;
  guid.data2 = native.Data2;
  guid.data3 = native.Data3;
  std::memcpy(guid.data4, native.Data4, sizeof(guid.data4));
  return guid;
}

}  // namespace

bool JpegEncoderPortWin::Holds(WicObject object) {
  switch (object) {
    case WicObject::Factory:
      return factory_ != nullptr;
    case WicObject::Bitmap:
      return bitmap_ != nullptr;
    case WicObject::Converter:
      return converter_ != nullptr;
    case WicObject::Stream:
      return stream_ != nullptr;
    case WicObject::Encoder:
      return encoder_ != nullptr;
    case WicObject::Frame:
      return frame_ != nullptr;
    case WicObject::PropertyBag:
      return property_bag_ != nullptr;
  }
  return false;
}

void JpegEncoderPortWin::Release(WicObject object) {
  switch (object) {
    case WicObject::Factory:
      factory_.Reset();
      break;
    case WicObject::Bitmap:
      bitmap_.Reset();
      break;
    case WicObject::Converter:
      converter_.Reset();
      break;
    case WicObject::Stream:
      stream_.Reset();
      break;
    case WicObject::Encoder:
      encoder_.Reset();
      break;
    case WicObject::Frame:
      frame_.Reset();
      break;
    case WicObject::PropertyBag:
      property_bag_.Reset();
      break;
  }
}

IWICBitmapSource* JpegEncoderPortWin::Source(WicObject object) const {
  switch (object) {
    case WicObject::Bitmap:
      return bitmap_.Get();
    case WicObject::Converter:
      return converter_.Get();
    default:
      return nullptr;
  }
}

// Each call below needs the references it names; without them it answers E_POINTER rather
// than touching a null interface.

int32_t JpegEncoderPortWin::CoCreateInstance(const Guid& class_id, uint32_t context,
                                             const Guid& interface_id) {
  const GUID class_guid = Native(class_id);
  const GUID interface_guid = Native(interface_id);
  return ::CoCreateInstance(class_guid, nullptr, context, interface_guid,
                            reinterpret_cast<void**>(factory_.ReleaseAndGetAddressOf()));
}

int32_t JpegEncoderPortWin::CreateBitmapFromMemory(uint32_t width, uint32_t height,
                                                   const Guid& format, uint32_t stride,
                                                   uint32_t buffer_size, const uint8_t* pixels) {
  if (!factory_) return E_POINTER;
  const GUID native_format = Native(format);
  return factory_->CreateBitmapFromMemory(width, height, native_format, stride, buffer_size,
                                          const_cast<BYTE*>(pixels),
                                          bitmap_.ReleaseAndGetAddressOf());
}

int32_t JpegEncoderPortWin::CreateFormatConverter() {
  if (!factory_) return E_POINTER;
  return factory_->CreateFormatConverter(converter_.ReleaseAndGetAddressOf());
}

int32_t JpegEncoderPortWin::InitializeConverter(WicObject source, const Guid& format,
                                                uint32_t dither, double alpha_threshold,
                                                uint32_t palette_type) {
  if (!converter_ || Source(source) == nullptr) return E_POINTER;
  const GUID native_format = Native(format);
  return converter_->Initialize(Source(source), native_format,
                                static_cast<WICBitmapDitherType>(dither), nullptr, alpha_threshold,
                                static_cast<WICBitmapPaletteType>(palette_type));
}

int32_t JpegEncoderPortWin::CreateStreamOnHGlobal(bool delete_on_release) {
  return ::CreateStreamOnHGlobal(nullptr, delete_on_release ? TRUE : FALSE,
                                 stream_.ReleaseAndGetAddressOf());
}

int32_t JpegEncoderPortWin::CreateEncoder(const Guid& container) {
  if (!factory_) return E_POINTER;
  const GUID native_container = Native(container);
  return factory_->CreateEncoder(native_container, nullptr, encoder_.ReleaseAndGetAddressOf());
}

int32_t JpegEncoderPortWin::InitializeEncoder(uint32_t cache_option) {
  if (!encoder_ || !stream_) return E_POINTER;
  return encoder_->Initialize(stream_.Get(),
                              static_cast<WICBitmapEncoderCacheOption>(cache_option));
}

int32_t JpegEncoderPortWin::CreateNewFrame() {
  if (!encoder_) return E_POINTER;
  return encoder_->CreateNewFrame(frame_.ReleaseAndGetAddressOf(),
                                  property_bag_.ReleaseAndGetAddressOf());
}

int32_t JpegEncoderPortWin::WriteOption(const std::u16string& name, const OptionValue& value) {
  if (!property_bag_) return E_POINTER;
  std::wstring option_name(name.begin(), name.end());
  PROPBAG2 option{};
  option.pstrName = option_name.data();
  VARIANT variant;
  ::VariantInit(&variant);
  variant.vt = value.type;
  if (value.type == VT_R4) variant.fltVal = value.r4;
  if (value.type == VT_UI1) variant.bVal = value.ui1;
  return property_bag_->Write(1, &option, &variant);
}

int32_t JpegEncoderPortWin::InitializeFrame() {
  if (!frame_) return E_POINTER;
  return frame_->Initialize(property_bag_.Get());
}

int32_t JpegEncoderPortWin::SetSize(uint32_t width, uint32_t height) {
  if (!frame_) return E_POINTER;
  return frame_->SetSize(width, height);
}

int32_t JpegEncoderPortWin::SetPixelFormat(Guid* format) {
  if (!frame_) return E_POINTER;
  GUID native = Native(*format);
  const HRESULT hr = frame_->SetPixelFormat(&native);
  *format = Portable(native);
  return hr;
}

int32_t JpegEncoderPortWin::WriteSource(WicObject source) {
  if (!frame_ || Source(source) == nullptr) return E_POINTER;
  return frame_->WriteSource(Source(source), nullptr);
}

int32_t JpegEncoderPortWin::CommitFrame() {
  if (!frame_) return E_POINTER;
  return frame_->Commit();
}

int32_t JpegEncoderPortWin::CommitEncoder() {
  if (!encoder_) return E_POINTER;
  return encoder_->Commit();
}

int32_t JpegEncoderPortWin::Stat(uint32_t flags, uint64_t* size) {
  if (!stream_) return E_POINTER;
  STATSTG stat{};
  const HRESULT hr = stream_->Stat(&stat, flags);
  *size = stat.cbSize.QuadPart;
  return hr;
}

int32_t JpegEncoderPortWin::Seek(int64_t offset, uint32_t origin) {
  if (!stream_) return E_POINTER;
  LARGE_INTEGER move;
  move.QuadPart = offset;
  return stream_->Seek(move, origin, nullptr);
}

int32_t JpegEncoderPortWin::Read(uint8_t* buffer, uint32_t size, uint32_t* read) {
  if (!stream_) return E_POINTER;
  ULONG count = 0;
  const HRESULT hr = stream_->Read(buffer, size, &count);
  *read = count;
  return hr;
}

}  // namespace tesso
