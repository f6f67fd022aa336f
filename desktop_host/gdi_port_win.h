// The GDI port on Windows. It keeps no handle: each one it gives out is given back through it
// by the caller, on every path.
#ifndef TESSO_DESKTOP_HOST_GDI_PORT_WIN_H_
#define TESSO_DESKTOP_HOST_GDI_PORT_WIN_H_

#include "desktop_host/gdi_port.h"

namespace tesso {

class GdiPortWin : public GdiPort {
 public:
  DcHandle GetDC(WindowHandle window) override;
  DcHandle CreateCompatibleDC(DcHandle dc) override;
  GdiObjectHandle CreateDIBSection(DcHandle dc, const BitmapInfoHeader& header, uint32_t usage,
                                   uint8_t** bits) override;
  GdiObjectHandle SelectObject(DcHandle dc, GdiObjectHandle object) override;
  bool BitBlt(DcHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
              DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop) override;
  bool GdiFlush() override;
  bool DeleteObject(GdiObjectHandle object) override;
  bool DeleteDC(DcHandle dc) override;
  int32_t ReleaseDC(WindowHandle window, DcHandle dc) override;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_GDI_PORT_WIN_H_
