// A GDI port for the capture engine tests: a screen of known pixels that BitBlt copies from,
// and each call logged with the handles it took and gave (numbered 1, 2, ...; 100 is a memory
// context's stock bitmap, 0 a failure).
#ifndef TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "desktop_host/gdi_port.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {

struct FakeGdiPort : tesso::GdiPort, Recorder<int> {
  using Dc = tesso::DcHandle;
  using Object = tesso::GdiObjectHandle;
  using Recorder::Recorder;

  Dc GetDC(tesso::WindowHandle window) override { return Dc(Give("GetDC", N(window))); }
  Dc CreateCompatibleDC(Dc dc) override {
    selected = 100;
    return Dc(Give("CreateCompatibleDC", N(dc)));
  }
  Object CreateDIBSection(Dc dc, const tesso::BitmapInfoHeader& info, uint32_t usage,
                          uint8_t** bits) override {
    header = info;
    section.assign(size_t(info.width) * size_t(std::abs(info.height)) * 4, 0xCD);
    *bits = no_bits ? nullptr : section.data();
    return Object(Give("CreateDIBSection", N(dc) + " " + N(usage)));
  }
  Object SelectObject(Dc dc, Object object) override {
    const uintptr_t previous = selected;
    selected = uintptr_t(object);
    Make("SelectObject " + N(dc) + " " + N(object) + " -> " + N(previous));
    return Object(previous);
  }
  bool BitBlt(Dc to, int32_t x, int32_t y, int32_t w, int32_t h, Dc from, int32_t from_x,
              int32_t from_y, uint32_t rop) override {
    char call[96];
    std::snprintf(call, sizeof(call), "BitBlt %d %d %d %d %d %d %d %d %08X", int(to), x, y, w, h,
                  int(from), from_x, from_y, rop);
    if (on_bitblt) on_bitblt();
    for (int32_t row = 0; row < h; ++row) {
      const size_t start = size_t(from_y + row - top) * width + size_t(from_x - left);
      std::memcpy(&section[size_t(y + row) * w * 4], &screen[start * 4], size_t(w) * 4);
    }
    return Make(call) >= 0;
  }
  bool GdiFlush() override { return Make("GdiFlush") >= 0; }
  bool DeleteObject(Object object) override { return Make("DeleteObject " + N(object)) >= 0; }
  bool DeleteDC(Dc dc) override { return Make("DeleteDC " + N(dc)) >= 0; }
  int32_t ReleaseDC(tesso::WindowHandle window, Dc dc) override {
    return Make("ReleaseDC " + N(window) + " " + N(dc)) >= 0;
  }

  template <typename Handle>
  static std::string N(Handle handle) {
    return std::to_string(uintptr_t(handle));
  }
  // Logs the call with the handle it gives.
  uintptr_t Give(const std::string& name, const std::string& arguments) {
    const uintptr_t handle = Make(name + " " + arguments) < 0 ? 0 : next++;
    log->back() += " -> " + std::to_string(handle);
    return handle;
  }

  // The screen, rows packed, with its top left corner at (left, top).
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  std::vector<uint8_t> screen;
  bool no_bits = false;  // a section without pixels
  std::function<void()> on_bitblt;
  tesso::BitmapInfoHeader header;  // the last section's
  std::vector<uint8_t> section;
  uintptr_t next = 1;
  uintptr_t selected = 0;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
