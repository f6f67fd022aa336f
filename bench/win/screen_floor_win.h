// The floor a frame of the desktop host is measured against: what the same platform does at
// best for one picture of the primary display. A screen copy into a DIB section kept from frame
// to frame (made once, so a frame costs one BitBlt), and one JPEG of its pixels: with
// libjpeg-turbo when the build has it, and with the imaging component's chain (bitmap from
// memory, 24-bit converter, WriteSource) as the fallback and as what the host did before.
// Benches only; run the copy on a thread without windows, as the host's capture worker is
// (under Wine a BitBlt on a thread that owns windows costs many times more).
#ifndef TESSO_BENCH_WIN_SCREEN_FLOOR_WIN_H_
#define TESSO_BENCH_WIN_SCREEN_FLOOR_WIN_H_

#include <windows.h>
// After windows.h, which they build on.
#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

#if __has_include("desktop_host/turbo_jpeg_encoder.h")
#include "desktop_host/turbo_jpeg_encoder.h"
#define TESSO_BENCH_HAS_TURBO 1
#else
#define TESSO_BENCH_HAS_TURBO 0
#endif

namespace tesso_bench {

// 32-bit top-down pixels of width x height.
inline BITMAPINFO TopDownBitmap(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The screen context, a memory context and a DIB section, kept for the object's life.
class KeptScreenCopy {
 public:
  KeptScreenCopy(int width, int height) : width_(width), height_(height) {
    screen_ = ::GetDC(nullptr);
    memory_ = ::CreateCompatibleDC(screen_);
    const BITMAPINFO info = TopDownBitmap(width, height);
    section_ = ::CreateDIBSection(screen_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (memory_ != nullptr && section_ != nullptr) previous_ = ::SelectObject(memory_, section_);
  }
  ~KeptScreenCopy() {
    if (previous_ != nullptr) ::SelectObject(memory_, previous_);
    if (section_ != nullptr) ::DeleteObject(section_);
    if (memory_ != nullptr) ::DeleteDC(memory_);
    if (screen_ != nullptr) ::ReleaseDC(nullptr, screen_);
  }
  KeptScreenCopy(const KeptScreenCopy&) = delete;
  KeptScreenCopy& operator=(const KeptScreenCopy&) = delete;

  bool Copy() {
    if (previous_ == nullptr || bits_ == nullptr) return false;
    const bool copied =
        ::BitBlt(memory_, 0, 0, width_, height_, screen_, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
    ::GdiFlush();
    return copied;
  }
  const uint8_t* bits() const { return static_cast<const uint8_t*>(bits_); }

 private:
  int width_, height_;
  HDC screen_ = nullptr;
  HDC memory_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

inline bool WriteOption(IPropertyBag2* options, const wchar_t* name, VARIANT value) {
  PROPBAG2 option{};
  option.pstrName = const_cast<wchar_t*>(name);
  return SUCCEEDED(options->Write(1, &option, &value));
}

// The imaging component's JPEG of width x height BGRX pixels at quality 0.8 with 4:4:4 chroma,
// through the chain the host used before libjpeg-turbo.
inline bool WicJpeg(IWICImagingFactory* factory, const uint8_t* pixels, int width, int height,
                    std::vector<uint8_t>* out) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IWICBitmap> bitmap;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  const UINT bytes = static_cast<UINT>(width) * static_cast<UINT>(height) * 4;
  if (FAILED(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGR, width * 4,
                                             bytes, const_cast<BYTE*>(pixels),
                                             bitmap.GetAddressOf())) ||
      FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
      FAILED(converter->Initialize(bitmap.Get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.GetAddressOf())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf()))) {
    return false;
  }
  VARIANT quality{};
  quality.vt = VT_R4;
  quality.fltVal = 0.8f;
  VARIANT subsampling{};
  subsampling.vt = VT_UI1;
  subsampling.bVal = 3;
  if (!WriteOption(options.Get(), L"ImageQuality", quality) ||
      !WriteOption(options.Get(), L"JpegYCrCbSubsampling", subsampling) ||
      FAILED(frame->Initialize(options.Get())) || FAILED(frame->SetSize(width, height)) ||
      FAILED(frame->SetPixelFormat(&format)) ||
      FAILED(frame->WriteSource(converter.Get(), nullptr)) || FAILED(frame->Commit()) ||
      FAILED(encoder->Commit())) {
    return false;
  }
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
  LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
  out->resize(static_cast<size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  return SUCCEEDED(stream->Read(out->data(), static_cast<ULONG>(out->size()), &read)) &&
         read == out->size();
}

// The floor's encoder: libjpeg-turbo at quality 0.8 when built in, else the imaging component.
class FloorJpeg {
 public:
  explicit FloorJpeg(IWICImagingFactory* factory) : factory_(factory) {}
  static const char* Name() { return TESSO_BENCH_HAS_TURBO ? "turbo" : "WIC"; }
  bool Encode(const uint8_t* pixels, int width, int height, std::vector<uint8_t>* out) {
#if TESSO_BENCH_HAS_TURBO
    return turbo_.Encode(pixels, width, height, width * 4, 0.8f, out);
#else
    return WicJpeg(factory_, pixels, width, height, out);
#endif
  }

 private:
  IWICImagingFactory* factory_;
#if TESSO_BENCH_HAS_TURBO
  tesso::TurboJpegEncoder turbo_;
#endif
};

}  // namespace tesso_bench

#endif  // TESSO_BENCH_WIN_SCREEN_FLOOR_WIN_H_
