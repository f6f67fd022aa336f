// A GDI port for the capture engine tests: a virtual screen of known pixels that BitBlt copies
// from, one call that can be made to fail, a hook inside BitBlt, and every call logged with
// the handles it took and gave (numbered 1, 2, ...; 100 is a memory context's stock bitmap).
#ifndef TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "desktop_host/gdi_port.h"
#include "tests/fakes/fake_duplication_port.h"

namespace tesso_test {

class FakeGdiPort : public tesso::GdiPort {
 public:
  using Dc = tesso::DcHandle;
  using Object = tesso::GdiObjectHandle;
  explicit FakeGdiPort(std::shared_ptr<CallLog> log) : log_(log) {}

  // Script: the screen (rows packed) with its top left corner at (left, top); the call that
  // fails, by name ("NoBits": a section without pixels); a hook that runs inside BitBlt.
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  std::vector<uint8_t> screen;
  std::string fail;
  std::function<void()> on_bitblt;
  // Records.
  tesso::BitmapInfoHeader header;

  Dc GetDC(tesso::WindowHandle window) override {
    return Dc(Give("GetDC " + N(uintptr_t(window)), "GetDC"));
  }
  Dc CreateCompatibleDC(Dc dc) override {
    selected_ = 100;
    return Dc(Give("CreateCompatibleDC " + N(uintptr_t(dc)), "CreateCompatibleDC"));
  }
  Object CreateDIBSection(Dc dc, const tesso::BitmapInfoHeader& info, uint32_t usage,
                          uint8_t** bits) override {
    header = info;
    bits_.assign(size_t(info.width) * size_t(std::abs(info.height)) * 4, 0xCD);
    *bits = fail == "NoBits" ? nullptr : bits_.data();
    return Object(
        Give("CreateDIBSection " + N(uintptr_t(dc)) + " " + N(usage), "CreateDIBSection"));
  }
  Object SelectObject(Dc dc, Object object) override {
    const uintptr_t previous = selected_;
    selected_ = uintptr_t(object);
    log_->push_back("SelectObject " + N(uintptr_t(dc)) + " " + N(selected_) + " -> " + N(previous));
    return Object(previous);
  }
  bool BitBlt(Dc destination, int32_t x, int32_t y, int32_t w, int32_t h, Dc source, int32_t sx,
              int32_t sy, uint32_t rop) override {
    char call[96];
    std::snprintf(call, sizeof(call), "BitBlt %d %d %d %d %d %d %d %d %08X", int(destination), x, y,
                  w, h, int(source), sx, sy, rop);
    log_->push_back(call);
    if (on_bitblt) on_bitblt();
    for (int32_t row = 0; row < h; ++row) {
      for (int32_t column = 0; column < w; ++column) {
        const size_t from = (size_t(sy + row - top) * width + size_t(sx + column - left)) * 4;
        std::memcpy(&bits_[(size_t(y + row) * w + x + column) * 4], &screen[from], 4);
      }
    }
    return fail != "BitBlt";
  }
  bool GdiFlush() override { return Log("GdiFlush"); }
  bool DeleteObject(Object object) override { return Log("DeleteObject " + N(uintptr_t(object))); }
  bool DeleteDC(Dc dc) override { return Log("DeleteDC " + N(uintptr_t(dc))); }
  int32_t ReleaseDC(tesso::WindowHandle window, Dc dc) override {
    return Log("ReleaseDC " + N(uintptr_t(window)) + " " + N(uintptr_t(dc)));
  }

 private:
  static std::string N(uintptr_t value) { return std::to_string(value); }
  bool Log(const std::string& call) {
    log_->push_back(call);
    return true;
  }
  // Logs the call with the handle it gives: 0 when it is the failing call.
  uintptr_t Give(const std::string& call, const std::string& name) {
    const uintptr_t handle = fail == name ? 0 : next_++;
    log_->push_back(call + " -> " + N(handle));
    return handle;
  }

  std::shared_ptr<CallLog> log_;
  uintptr_t next_ = 1;
  uintptr_t selected_ = 0;
  std::vector<uint8_t> bits_;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_GDI_PORT_H_
