#include "desktop_host/gdi_surface.h"

namespace tesso {
namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kDibRgbColors = 0;
constexpr uint32_t kSrcCopyCaptureBlt = 0x40CC0020;

}  // namespace

bool GdiSurface::Copy(MonitorHandle monitor, int32_t left, int32_t top, int32_t width,
                      int32_t height) {
  if (section_ == GdiObjectHandle::kNone || monitor != monitor_ || width != width_ ||
      height != height_) {
    Release();
    if (!Make(width, height)) {
      Release();
      return false;
    }
    monitor_ = monitor;
  }
  const bool copied =
      gdi_->BitBlt(memory_, 0, 0, width, height, screen_, left, top, kSrcCopyCaptureBlt);
  gdi_->GdiFlush();
  if (!copied) Release();
  return copied;
}

bool GdiSurface::Make(int32_t width, int32_t height) {
  screen_ = gdi_->GetDC(WindowHandle::kNone);
  if (screen_ == DcHandle::kNone) return false;
  memory_ = gdi_->CreateCompatibleDC(screen_);
  if (memory_ == DcHandle::kNone) return false;
  BitmapInfoHeader header;
  header.size = 40;
  header.width = width;
  header.height = -height;  // top-down rows
  header.planes = 1;
  header.bit_count = 32;
  header.compression = kBiRgb;
  uint8_t* bits = nullptr;
  section_ = gdi_->CreateDIBSection(screen_, header, kDibRgbColors, &bits);
  if (section_ == GdiObjectHandle::kNone || bits == nullptr) return false;
  previous_ = gdi_->SelectObject(memory_, section_);
  bits_ = bits;
  width_ = width;
  height_ = height;
  return true;
}

void GdiSurface::Release() {
  if (previous_ != GdiObjectHandle::kNone) gdi_->SelectObject(memory_, previous_);
  if (section_ != GdiObjectHandle::kNone) gdi_->DeleteObject(section_);
  if (memory_ != DcHandle::kNone) gdi_->DeleteDC(memory_);
  if (screen_ != DcHandle::kNone) gdi_->ReleaseDC(WindowHandle::kNone, screen_);
  screen_ = DcHandle::kNone;
  memory_ = DcHandle::kNone;
  section_ = GdiObjectHandle::kNone;
  previous_ = GdiObjectHandle::kNone;
  bits_ = nullptr;  // the monitor and size are looked at only while a section exists
}

}  // namespace tesso
