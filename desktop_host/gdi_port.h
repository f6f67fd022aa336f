// The GDI screen copy's seam to Windows. Each method is one platform call; the caller owns
// every handle it gets and gives each back with the matching call. Capture worker only.
#ifndef TESSO_DESKTOP_HOST_GDI_PORT_H_
#define TESSO_DESKTOP_HOST_GDI_PORT_H_

#include <cstdint>
#include <tuple>

#include "base/handles.h"

namespace tesso {

enum class DcHandle : uintptr_t { kNone = 0 };
// An HGDIOBJ: a bitmap, or what SelectObject hands back.
enum class GdiObjectHandle : uintptr_t { kNone = 0 };

// BITMAPINFOHEADER.
struct BitmapInfoHeader {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 0;
  uint16_t bit_count = 0;
  uint32_t compression = 0;
  uint32_t size_image = 0;
  int32_t x_pels_per_meter = 0;
  int32_t y_pels_per_meter = 0;
  uint32_t clr_used = 0;
  uint32_t clr_important = 0;
};

inline bool operator==(const BitmapInfoHeader& a, const BitmapInfoHeader& b) {
  return std::tie(a.size, a.width, a.height, a.planes, a.bit_count, a.compression, a.size_image,
                  a.x_pels_per_meter, a.y_pels_per_meter, a.clr_used, a.clr_important) ==
         std::tie(b.size, b.width, b.height, b.planes, b.bit_count, b.compression, b.size_image,
                  b.x_pels_per_meter, b.y_pels_per_meter, b.clr_used, b.clr_important);
}

class GdiPort {
 public:
  virtual ~GdiPort() = default;
  // GetDC(window): kNone on failure.
  virtual DcHandle GetDC(WindowHandle window) = 0;
  // CreateCompatibleDC(dc): kNone on failure.
  virtual DcHandle CreateCompatibleDC(DcHandle dc) = 0;
  // CreateDIBSection(dc, a BITMAPINFO made of `header` alone, usage, &bits, no section, 0):
  // kNone on failure. *bits points at the section's pixels until the bitmap is deleted.
  virtual GdiObjectHandle CreateDIBSection(DcHandle dc, const BitmapInfoHeader& header,
                                           uint32_t usage, uint8_t** bits) = 0;
  // SelectObject(dc, object): the object it replaced.
  virtual GdiObjectHandle SelectObject(DcHandle dc, GdiObjectHandle object) = 0;
  virtual bool BitBlt(DcHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
                      DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop) = 0;
  virtual bool GdiFlush() = 0;
  virtual bool DeleteObject(GdiObjectHandle object) = 0;
  virtual bool DeleteDC(DcHandle dc) = 0;
  // ReleaseDC(window, dc): 1 when released.
  virtual int32_t ReleaseDC(WindowHandle window, DcHandle dc) = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_GDI_PORT_H_
