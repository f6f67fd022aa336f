// The capture ports on Windows under Wine: the GDI copy of a picture that a window of ours
// shows, the WIC JPEG encoder read back by WIC's decoder, and the whole frame pipeline on the
// real ports (Wine has no desktop duplication, so the picture comes from GDI).
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "base/unique_handle_win.h"
#include "desktop_host/capture_frame.h"
#include "desktop_host/capture_ports_win.h"
#include "desktop_host/encode_jpeg.h"
#include "desktop_host/screen_capture.h"
#include "input/display_catalogue.h"
#include "input/display_port_win.h"
#include "tests/fakes/fake_pictures.h"

namespace tesso_test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kLeft = 100, kTop = 60, kWidth = 64, kHeight = 48;
const std::vector<uint8_t> kPicture = PatternPixels(kWidth, kHeight, 40);

// Paints kPicture over its whole client area.
LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) noexcept {
  if (message != WM_PAINT) return ::DefWindowProcW(window, message, wparam, lparam);
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  ::SetDIBitsToDevice(dc, 0, 0, kWidth, kHeight, 0, 0, 0, kHeight, kPicture.data(), &info,
                      DIB_RGB_COLORS);
  ::EndPaint(window, &paint);
  return 0;
}

void PumpFor(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  MSG message;
  while (::GetTickCount64() < end) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(10);
  }
}

// Blue, green and red of each pixel; the fourth byte is not part of the picture.
std::vector<uint8_t> Colours(const std::vector<uint8_t>& pixels) {
  std::vector<uint8_t> colours;
  for (size_t i = 0; i < pixels.size(); i += 4)
    colours.insert(colours.end(), &pixels[i], &pixels[i + 3]);
  return colours;
}

// Decodes a JPEG with WIC: its size and its pixels as 32bppBGR.
bool DecodeJpeg(const std::vector<uint8_t>& bytes, UINT* width, UINT* height,
                std::vector<uint8_t>* pixels) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                          static_cast<DWORD>(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(width, height)) ||
      FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return false;
  }
  pixels->resize(static_cast<size_t>(*width) * *height * 4);
  return SUCCEEDED(converter->CopyPixels(nullptr, *width * 4, static_cast<UINT>(pixels->size()),
                                         pixels->data()));
}

class CaptureWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override { ::CoUninitialize(); }
};

TEST_F(CaptureWindowsTest, GdiCopiesTheShownPicturePixelForPixel) {
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
  // The X server shows the window a little after it was made: look again, for up to 10 s,
  // until it does.
  const ULONGLONG give_up = ::GetTickCount64() + 10000;
  do {
    PumpFor(20);
    ASSERT_TRUE(capture.CaptureDisplay(display, &changed));
  } while (Colours(capture.raw_image().pixels) != Colours(kPicture) &&
           ::GetTickCount64() < give_up);
  EXPECT_EQ(Colours(capture.raw_image().pixels), Colours(kPicture));
  EXPECT_STREQ(capture.GetBackendName(), "gdi");
  ASSERT_TRUE(capture.CaptureDisplay(display, &changed));
  EXPECT_FALSE(changed);
}

TEST_F(CaptureWindowsTest, WicEncodesAJpegOfTheAskedSize) {
  std::unique_ptr<tesso::CapturePorts> ports = tesso::MakeCapturePortsWin();
  ASSERT_GE(ports->jpeg->CoCreateInstance(tesso::kClsidWicImagingFactory, 1,
                                          tesso::kIidWicImagingFactory),
            0);
  std::vector<uint8_t> solid(kWidth * kHeight * 4);
  for (size_t i = 0; i < solid.size(); i += 4) {
    solid[i] = 200, solid[i + 1] = 100, solid[i + 2] = 50, solid[i + 3] = 0;
  }
  const struct { int32_t width, height; } sizes[] = {{32, 24}, {kWidth, kHeight}, {64, 1}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(tesso::EncodeJpeg(*ports->jpeg, solid, kWidth, kHeight, size.width, size.height,
                                  0.9f, &bytes));
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    UINT width = 0, height = 0;
    std::vector<uint8_t> pixels;
    ASSERT_TRUE(DecodeJpeg(bytes, &width, &height, &pixels));
    EXPECT_EQ(width, static_cast<UINT>(size.width));
    EXPECT_EQ(height, static_cast<UINT>(size.height));
    const uint8_t* middle = &pixels[(height / 2 * width + width / 2) * 4];
    EXPECT_NEAR(middle[0], 200, 8);
    EXPECT_NEAR(middle[1], 100, 8);
    EXPECT_NEAR(middle[2], 50, 8);
  }
  ports->jpeg->Release(tesso::WicObject::Factory);
}

TEST_F(CaptureWindowsTest, CaptureFrameOnTheRealPortsFallsBackToGdi) {
  tesso::ScreenCapture capture(/*dxgi_allowed=*/true, tesso::MakeCapturePortsWin());
  const std::optional<tesso::DisplayInfo> display = [] {
    tesso::DisplayPortWin port;
    return tesso::FindDisplay(port, 0);
  }();
  ASSERT_TRUE(display.has_value());
  tesso::ScreenCapture::Frame frame;
  ASSERT_EQ(tesso::CaptureFrame(capture, 0, 640, 0.8, &frame), tesso::CaptureStatus::CaptureOk);
  EXPECT_STREQ(capture.GetBackendName(), "gdi");
  EXPECT_EQ(frame.sequence, 1);
  const int32_t longer = std::max(display->width(), display->height());
  EXPECT_EQ(frame.width, display->width() * 640 / longer);
  EXPECT_EQ(frame.height, display->height() * 640 / longer);
  UINT width = 0, height = 0;
  std::vector<uint8_t> pixels;
  ASSERT_TRUE(DecodeJpeg(frame.bytes, &width, &height, &pixels));
  EXPECT_EQ(width, static_cast<UINT>(frame.width));
  EXPECT_EQ(height, static_cast<UINT>(frame.height));
  capture.ReleaseAll();
}

}  // namespace
}  // namespace tesso_test
