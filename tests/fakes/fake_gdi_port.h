// A GDI port for the capture engine tests: a virtual screen of known pixels that BitBlt copies
// from, switches that make each call fail, a record of every call with the handles it took
// and gave, and a count of the handles not yet given back.
#ifndef TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "desktop_host/gdi_port.h"

namespace tesso_test {

class FakeGdiPort : public tesso::GdiPort {
 public:
  // The bitmap every new memory context holds before another is selected.
  static constexpr uintptr_t kStockBitmap = 100;

  // A screen of width x height at (left, top) in a pattern of `seed`.
  void SetScreen(int32_t left, int32_t top, int32_t width, int32_t height, uint8_t seed);

  // Script: the virtual screen (pixels outside it copy as 0), and failures.
  int32_t screen_left = 0;
  int32_t screen_top = 0;
  int32_t screen_width = 0;
  int32_t screen_height = 0;
  std::vector<uint8_t> screen;  // rows packed, 4 bytes a pixel
  bool get_dc_fails = false;
  bool compatible_dc_fails = false;
  bool dib_fails = false;
  bool dib_null_bits = false;
  bool bitblt_fails = false;
  std::function<void()> on_bitblt;  // runs inside each BitBlt, e.g. to switch desktops

  // Records: handles are numbered 1, 2, ... in the order given out.
  std::vector<std::string> calls;
  std::vector<tesso::BitmapInfoHeader> headers;
  // DCs and bitmaps given out and not given back.
  int open_handles() const { return static_cast<int>(open_.size()); }

  tesso::DcHandle GetDC(tesso::WindowHandle window) override;
  tesso::DcHandle CreateCompatibleDC(tesso::DcHandle dc) override;
  tesso::GdiObjectHandle CreateDIBSection(tesso::DcHandle dc, const tesso::BitmapInfoHeader& header,
                                          uint32_t usage, uint8_t** bits) override;
  tesso::GdiObjectHandle SelectObject(tesso::DcHandle dc, tesso::GdiObjectHandle object) override;
  bool BitBlt(tesso::DcHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
              tesso::DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop) override;
  bool GdiFlush() override;
  bool DeleteObject(tesso::GdiObjectHandle object) override;
  bool DeleteDC(tesso::DcHandle dc) override;
  int32_t ReleaseDC(tesso::WindowHandle window, tesso::DcHandle dc) override;

 private:
  struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;  // negative: top-down rows
    std::vector<uint8_t> bits;
  };
  uintptr_t Give();

  uintptr_t next_ = 1;
  std::map<uintptr_t, std::string> open_;    // handle -> its kind
  std::map<uintptr_t, uintptr_t> selected_;  // memory DC -> bitmap
  std::map<uintptr_t, Bitmap> bitmaps_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
