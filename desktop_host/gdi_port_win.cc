#include "desktop_host/gdi_port_win.h"

#include <windows.h>

namespace tesso {
namespace {

static_assert(sizeof(BITMAPINFOHEADER) == 40 && BI_RGB == 0 && DIB_RGB_COLORS == 0 &&
              (SRCCOPY | CAPTUREBLT) == 0x40CC0020);

HDC Native(DcHandle dc) { return reinterpret_cast<HDC>(static_cast<uintptr_t>(dc)); }
HGDIOBJ Native(GdiObjectHandle object) {
  return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(object));
}
HWND Native(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }
DcHandle Portable(HDC dc) { return static_cast<DcHandle>(reinterpret_cast<uintptr_t>(dc)); }
GdiObjectHandle Portable(HGDIOBJ object) {
  return static_cast<GdiObjectHandle>(reinterpret_cast<uintptr_t>(object));
}

}  // namespace

DcHandle GdiPortWin::GetDC(WindowHandle window) { return Portable(::GetDC(Native(window))); }

DcHandle GdiPortWin::CreateCompatibleDC(DcHandle dc) {
  return Portable(::CreateCompatibleDC(Native(dc)));
}

GdiObjectHandle GdiPortWin::CreateDIBSection(DcHandle dc, const BitmapInfoHeader& header,
                                             uint32_t usage, uint8_t** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = header.size;
  info.bmiHeader.biWidth = header.width;
  info.bmiHeader.biHeight = header.height;
  info.bmiHeader.biPlanes = header.planes;
  info.bmiHeader.biBitCount = header.bit_count;
  info.bmiHeader.biCompression = header.compression;
  info.bmiHeader.biSizeImage = header.size_image;
  info.bmiHeader.biXPelsPerMeter = header.x_pels_per_meter;
  info.bmiHeader.biYPelsPerMeter = header.y_pels_per_meter;
  info.bmiHeader.biClrUsed = header.clr_used;
  info.bmiHeader.biClrImportant = header.clr_important;
  void* section_bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(Native(dc), &info, usage, &section_bits, nullptr, 0);
  *bits = static_cast<uint8_t*>(section_bits);
  return Portable(bitmap);
}

GdiObjectHandle GdiPortWin::SelectObject(DcHandle dc, GdiObjectHandle object) {
  return Portable(::SelectObject(Native(dc), Native(object)));
}

bool GdiPortWin::BitBlt(DcHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
                        DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop) {
  return ::BitBlt(Native(destination), x, y, width, height, Native(source), source_x, source_y,
                  rop) != FALSE;
}

bool GdiPortWin::GdiFlush() { return ::GdiFlush() != FALSE; }

bool GdiPortWin::DeleteObject(GdiObjectHandle object) {
  return ::DeleteObject(Native(object)) != FALSE;
}

bool GdiPortWin::DeleteDC(DcHandle dc) { return ::DeleteDC(Native(dc)) != FALSE; }

int32_t GdiPortWin::ReleaseDC(WindowHandle window, DcHandle dc) {
  return ::ReleaseDC(Native(window), Native(dc));
}

}  // namespace tesso
