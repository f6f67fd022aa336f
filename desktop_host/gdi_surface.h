// What the GDI screen copy keeps from frame to frame: the screen's device context, a memory
// context and a 32-bit top-down DIB section selected into it, made for one display and size.
// Making them costs more than the copy itself (a fresh section is megabytes of fresh pages),
// so a frame of the same display and size costs one BitBlt. Capture worker only.
#ifndef TESSO_DESKTOP_HOST_GDI_SURFACE_H_
#define TESSO_DESKTOP_HOST_GDI_SURFACE_H_

#include <cstdint>

#include "base/handles.h"
#include "desktop_host/gdi_port.h"

namespace tesso {

class GdiSurface {
 public:
  explicit GdiSurface(GdiPort* gdi) : gdi_(gdi) {}
  ~GdiSurface() { Release(); }
  GdiSurface(const GdiSurface&) = delete;
  GdiSurface& operator=(const GdiSurface&) = delete;

  // Copies the width x height rectangle at (left, top) of the screen into the section, made
  // first unless it exists for this monitor and size. False when a step fails; nothing is
  // then held, since a failing context is not worth keeping.
  bool Copy(MonitorHandle monitor, int32_t left, int32_t top, int32_t width, int32_t height);
  // The section's pixels after a successful Copy: width x height x 4 bytes, rows packed.
  const uint8_t* bits() const { return bits_; }
  // Gives every object back, in the reverse order of their making.
  void Release();

 private:
  bool Make(int32_t width, int32_t height);

  GdiPort* const gdi_;
  DcHandle screen_ = DcHandle::kNone;
  DcHandle memory_ = DcHandle::kNone;
  GdiObjectHandle section_ = GdiObjectHandle::kNone;
  GdiObjectHandle previous_ = GdiObjectHandle::kNone;  // what the section replaced in memory_
  uint8_t* bits_ = nullptr;
  MonitorHandle monitor_ = MonitorHandle::kNone;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_GDI_SURFACE_H_
