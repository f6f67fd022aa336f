#include "tests/fakes/fake_gdi_port.h"

#include <cstdio>
#include <cstring>

#include "tests/fakes/fake_pictures.h"

namespace tesso_test {
namespace {

std::string Number(uintptr_t value) { return std::to_string(value); }

}  // namespace

using tesso::DcHandle;
using tesso::GdiObjectHandle;

void FakeGdiPort::SetScreen(int32_t left, int32_t top, int32_t width, int32_t height,
                            uint8_t seed) {
  screen_left = left;
  screen_top = top;
  screen_width = width;
  screen_height = height;
  screen = PatternPixels(static_cast<uint32_t>(width), static_cast<uint32_t>(height), seed);
}

uintptr_t FakeGdiPort::Give() { return next_++; }

DcHandle FakeGdiPort::GetDC(tesso::WindowHandle window) {
  std::string call = "GetDC " + Number(static_cast<uintptr_t>(window));
  if (get_dc_fails) {
    calls.push_back(call + " -> 0");
    return DcHandle::kNone;
  }
  const uintptr_t dc = Give();
  open_[dc] = "screen";
  calls.push_back(call + " -> " + Number(dc));
  return static_cast<DcHandle>(dc);
}

DcHandle FakeGdiPort::CreateCompatibleDC(DcHandle dc) {
  std::string call = "CreateCompatibleDC " + Number(static_cast<uintptr_t>(dc));
  if (compatible_dc_fails) {
    calls.push_back(call + " -> 0");
    return DcHandle::kNone;
  }
  const uintptr_t memory = Give();
  open_[memory] = "memory";
  selected_[memory] = kStockBitmap;
  calls.push_back(call + " -> " + Number(memory));
  return static_cast<DcHandle>(memory);
}

GdiObjectHandle FakeGdiPort::CreateDIBSection(DcHandle dc, const tesso::BitmapInfoHeader& header,
                                              uint32_t usage, uint8_t** bits) {
  headers.push_back(header);
  std::string call =
      "CreateDIBSection " + Number(static_cast<uintptr_t>(dc)) + " " + std::to_string(usage);
  *bits = nullptr;
  if (dib_fails) {
    calls.push_back(call + " -> 0");
    return GdiObjectHandle::kNone;
  }
  const uintptr_t handle = Give();
  open_[handle] = "bitmap";
  Bitmap& bitmap = bitmaps_[handle];
  bitmap.width = header.width;
  bitmap.height = header.height;
  const int64_t rows = header.height < 0 ? -static_cast<int64_t>(header.height) : header.height;
  bitmap.bits.assign(static_cast<size_t>(header.width) * static_cast<size_t>(rows) * 4, 0xCD);
  if (!dib_null_bits) *bits = bitmap.bits.data();
  calls.push_back(call + " -> " + Number(handle));
  return static_cast<GdiObjectHandle>(handle);
}

GdiObjectHandle FakeGdiPort::SelectObject(DcHandle dc, GdiObjectHandle object) {
  const uintptr_t memory = static_cast<uintptr_t>(dc);
  const uintptr_t previous = selected_.count(memory) != 0 ? selected_[memory] : 0;
  selected_[memory] = static_cast<uintptr_t>(object);
  calls.push_back("SelectObject " + Number(memory) + " " + Number(static_cast<uintptr_t>(object)) +
                  " -> " + Number(previous));
  return static_cast<GdiObjectHandle>(previous);
}

bool FakeGdiPort::BitBlt(DcHandle destination, int32_t x, int32_t y, int32_t width, int32_t height,
                         DcHandle source, int32_t source_x, int32_t source_y, uint32_t rop) {
  char call[160];
  std::snprintf(call, sizeof(call), "BitBlt %d %d %d %d %d %d %d %d %08X",
                static_cast<int>(destination), x, y, width, height, static_cast<int>(source),
                source_x, source_y, rop);
  calls.push_back(call);
  if (on_bitblt) on_bitblt();
  if (bitblt_fails) return false;
  auto bitmap = bitmaps_.find(selected_[static_cast<uintptr_t>(destination)]);
  if (bitmap == bitmaps_.end()) return false;
  Bitmap& target = bitmap->second;
  const int32_t rows = target.height < 0 ? -target.height : target.height;
  for (int32_t row = 0; row < height && y + row < rows; ++row) {
    // A bottom-up bitmap keeps its first row last.
    const int32_t target_row = target.height < 0 ? y + row : rows - 1 - (y + row);
    for (int32_t column = 0; column < width && x + column < target.width; ++column) {
      uint8_t* pixel =
          &target.bits[(static_cast<size_t>(target_row) * target.width + x + column) * 4];
      const int32_t sx = source_x + column - screen_left;
      const int32_t sy = source_y + row - screen_top;
      if (sx < 0 || sy < 0 || sx >= screen_width || sy >= screen_height) {
        std::memset(pixel, 0, 4);
      } else {
        std::memcpy(pixel, &screen[(static_cast<size_t>(sy) * screen_width + sx) * 4], 4);
      }
    }
  }
  return true;
}

bool FakeGdiPort::GdiFlush() {
  calls.push_back("GdiFlush");
  return true;
}

bool FakeGdiPort::DeleteObject(GdiObjectHandle object) {
  const uintptr_t handle = static_cast<uintptr_t>(object);
  calls.push_back("DeleteObject " + Number(handle));
  // Windows refuses to delete a bitmap that is still selected.
  for (const auto& selection : selected_) {
    if (selection.second == handle) return false;
  }
  bitmaps_.erase(handle);
  return open_.erase(handle) != 0;
}

bool FakeGdiPort::DeleteDC(DcHandle dc) {
  const uintptr_t handle = static_cast<uintptr_t>(dc);
  calls.push_back("DeleteDC " + Number(handle));
  selected_.erase(handle);
  return open_.erase(handle) != 0;
}

int32_t FakeGdiPort::ReleaseDC(tesso::WindowHandle window, DcHandle dc) {
  const uintptr_t handle = static_cast<uintptr_t>(dc);
  calls.push_back("ReleaseDC " + Number(static_cast<uintptr_t>(window)) + " " + Number(handle));
  return open_.erase(handle) != 0 ? 1 : 0;
}

}  // namespace tesso_test
