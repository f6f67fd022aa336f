// The GDI capture port under Wine: a window of ours shows a known picture and the capture gives
// it back pixel for pixel (BitBlt does not see the X root window's background, so the picture
// has to come from a window). WIC and the whole pipeline are proven by the integration tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "base/unique_handle_win.h"
#include "desktop_host/capture_ports_win.h"
#include "desktop_host/screen_capture.h"

namespace tesso_test {
namespace {

constexpr int kLeft = 100, kTop = 60, kWidth = 64, kHeight = 48;

// Blue, green and red differ for every pixel; the fourth byte is not part of the picture.
std::vector<uint8_t> Picture() {
  std::vector<uint8_t> pixels(kWidth * kHeight * 4, 0xFF);
  for (int i = 0; i < kWidth * kHeight; ++i) {
    pixels[i * 4] = static_cast<uint8_t>(i % kWidth * 7 + 40);
    pixels[i * 4 + 1] = static_cast<uint8_t>(i / kWidth * 13 + 40);
    pixels[i * 4 + 2] = 40;
  }
  return pixels;
}

std::vector<uint8_t> Colours(const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> colours;
  for (size_t i = 0; i < pixels.size(); i += 4)
    colours.insert(colours.end(), &pixels[i], &pixels[i + 3]);
  return colours;
}

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) noexcept {
  if (message != WM_PAINT) return ::DefWindowProcW(window, message, wparam, lparam);
  static const std::vector<uint8_t> picture = Picture();
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  ::SetDIBitsToDevice(dc, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, picture.data(), &info,
                      DIB_RGB_COLORS);
  ::EndPaint(window, &paint);
  return 0;
}

TEST(CaptureWindowsTest, GdiCopiesTheShownPicturePixelForPixel) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = PictureWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TessoCapturePicture";
  ASSERT_NE(::RegisterClassW(&window_class), 0);
  tesso::UniqueWindow window(::CreateWindowExW(WS_EX_TOPMOST, L"TessoCapturePicture", L"",
                                               WS_POPUP | WS_VISIBLE, kLeft, kTop, kWidth, kHeight,
                                               nullptr, nullptr, window_class.hInstance, nullptr));
  ASSERT_TRUE(window.is_valid());
  tesso::ScreenCapture capture(/*dxgi_allowed=*/false, tesso::MakeCapturePortsWin());
  const tesso::DisplayInfo display{tesso::MonitorHandle{1}, kLeft,          kTop,
                                   kLeft + kWidth,          kTop + kHeight, true};
  bool changed = false;
  // The X server shows the window a little after it was made: look again for up to 10 s.
  const ULONGLONG give_up = ::GetTickCount64() + 10000;
  do {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(20);
    ASSERT_TRUE(capture.CaptureDisplay(display, &changed));
  } while (Colours(capture.raw_image().pixels) != Colours(Picture()) &&
           ::GetTickCount64() < give_up);
  EXPECT_EQ(Colours(capture.raw_image().pixels), Colours(Picture()));
  EXPECT_STREQ(capture.GetBackendName(), "gdi");
  ASSERT_TRUE(capture.CaptureDisplay(display, &changed));
  EXPECT_FALSE(changed);  // the same picture again
}

}  // namespace
}  // namespace tesso_test
