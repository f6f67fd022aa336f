// The frame pipeline's cost under Wine, per 1080p frame, against the bare platform calls in
// the same run: CaptureFrame on a changed picture against a GDI screen copy plus the WIC JPEG
// pipeline, and on an unchanged picture against the GDI screen copy alone. A window of ours
// covers the first display and repaints a new picture before each "changed" round; only the
// capture calls are timed. Run with scripts/wine-run --screens 1920x1080.
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "desktop_host/capture_frame.h"
#include "desktop_host/capture_ports_win.h"
#include "desktop_host/screen_capture.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr int kRounds = 20;
int g_width = 0;
int g_height = 0;
int g_shade = 0;
std::vector<uint32_t> g_picture;

// 32-bit pixels of the screen's size, rows top down.
BITMAPINFO ScreenSizedBitmap() {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = g_width;
  info.bmiHeader.biHeight = -g_height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  return info;
}

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) noexcept {
  if (message != WM_PAINT) return ::DefWindowProcW(window, message, wparam, lparam);
  for (int y = 0; y < g_height; ++y) {
    for (int x = 0; x < g_width; ++x) {
      g_picture[static_cast<size_t>(y) * g_width + x] =
          static_cast<uint32_t>((x + g_shade) * 0x010203 + y * 0x030201);
    }
  }
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  const BITMAPINFO info = ScreenSizedBitmap();
  ::SetDIBitsToDevice(dc, 0, 0, g_width, g_height, 0, 0, 0, g_height, g_picture.data(), &info,
                      DIB_RGB_COLORS);
  ::EndPaint(window, &paint);
  return 0;
}

void Pump(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  MSG message;
  do {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(5);
  } while (::GetTickCount64() < end);
}

void Repaint(HWND window) {
  ++g_shade;
  ::InvalidateRect(window, nullptr, FALSE);
  ::UpdateWindow(window);
  ::GdiFlush();
  Pump(50);
}

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

size_t BareJpeg(IWICImagingFactory* factory, const uint8_t* pixels);

// The GDI calls of one screen copy; with a factory, the WIC calls of one JPEG of the section's
// pixels, made before the section goes.
size_t BareCapture(IWICImagingFactory* factory) {
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const BITMAPINFO info = ScreenSizedBitmap();
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, g_width, g_height, screen, 0, 0, SRCCOPY | CAPTUREBLT);
  ::GdiFlush();
  const size_t jpeg_bytes =
      factory != nullptr ? BareJpeg(factory, static_cast<const uint8_t*>(bits)) : 0;
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return jpeg_bytes;
}

// The WIC calls of one JPEG at the picture's own size, with the file read out of the stream.
size_t BareJpeg(IWICImagingFactory* factory, const uint8_t* pixels) {
  ComPtr<IWICBitmap> bitmap;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  factory->CreateBitmapFromMemory(g_width, g_height, GUID_WICPixelFormat32bppBGR, g_width * 4,
                                  g_width * g_height * 4, const_cast<BYTE*>(pixels), &bitmap);
  factory->CreateFormatConverter(&converter);
  converter->Initialize(bitmap.Get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                        0.0, WICBitmapPaletteTypeCustom);
  ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
  factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder);
  encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  encoder->CreateNewFrame(&frame, &options);
  PROPBAG2 names[2] = {};
  names[0].pstrName = const_cast<wchar_t*>(L"ImageQuality");
  names[1].pstrName = const_cast<wchar_t*>(L"JpegYCrCbSubsampling");
  VARIANT values[2];
  ::VariantInit(&values[0]);
  ::VariantInit(&values[1]);
  values[0].vt = VT_R4;
  values[0].fltVal = 0.8f;
  values[1].vt = VT_UI1;
  values[1].bVal = WICJpegYCrCbSubsampling444;
  options->Write(1, &names[0], &values[0]);
  options->Write(1, &names[1], &values[1]);
  frame->Initialize(options.Get());
  frame->SetSize(g_width, g_height);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  frame->SetPixelFormat(&format);
  frame->WriteSource(converter.Get(), nullptr);
  frame->Commit();
  encoder->Commit();
  STATSTG stat{};
  stream->Stat(&stat, STATFLAG_NONAME);
  LARGE_INTEGER start{};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  std::vector<uint8_t> file(static_cast<size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  stream->Read(file.data(), static_cast<ULONG>(file.size()), &read);
  return read;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Sum(const std::vector<double>& values) {
  double sum = 0;
  for (double value : values) sum += value;
  return sum;
}

// Medians leave out the rounds in which duplication is tried again after its back-off (a
// Direct3D device made and refused every 30 s under Wine); the means keep them.
void Report(const char* ours_name, const std::vector<double>& ours, const char* bare_name,
            const std::vector<double>& bare) {
  std::printf("%s %.1f ms, %s %.1f ms: ratio of medians %.3f, of means %.3f\n", ours_name,
              Median(ours), bare_name, Median(bare), Median(ours) / Median(bare),
              Sum(ours) / Sum(bare));
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  g_width = ::GetSystemMetrics(SM_CXSCREEN);
  g_height = ::GetSystemMetrics(SM_CYSCREEN);
  g_picture.resize(static_cast<size_t>(g_width) * g_height);

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = PictureWindowProc;
  window_class.hInstance = ::GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"TessoCaptureBench";
  ::RegisterClassW(&window_class);
  const HWND window =
      ::CreateWindowExW(WS_EX_TOPMOST, L"TessoCaptureBench", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                        g_width, g_height, nullptr, nullptr, window_class.hInstance, nullptr);
  Pump(2500);

  ComPtr<IWICImagingFactory> factory;
  ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(&factory));
  tesso::ScreenCapture capture(true, tesso::MakeCapturePortsWin());
  tesso::ScreenCapture::Frame frame;
  // Warm up: the device set-up that Wine refuses, the imaging factory, the first picture.
  tesso::CaptureFrame(capture, 0, 0, 0.8, &frame);

  std::vector<double> bare_changed, ours_changed, bare_unchanged, ours_unchanged;
  int new_frames = 0, reused_frames = 0;
  size_t jpeg_bytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    Repaint(window);
    double start = Now();
    jpeg_bytes += BareCapture(factory.Get());
    bare_changed.push_back(Now() - start);

    const int64_t before = frame.sequence;
    Repaint(window);
    start = Now();
    tesso::CaptureFrame(capture, 0, 0, 0.8, &frame);
    ours_changed.push_back(Now() - start);
    if (frame.sequence != before) ++new_frames;

    start = Now();
    BareCapture(nullptr);
    bare_unchanged.push_back(Now() - start);

    const int64_t last = frame.sequence;
    start = Now();
    tesso::CaptureFrame(capture, 0, 0, 0.8, &frame);
    ours_unchanged.push_back(Now() - start);
    if (frame.sequence == last) ++reused_frames;
  }
  std::printf(
      "screen %dx%d, %d rounds, backend %s, %d of %d changed frames encoded, %d of %d "
      "unchanged frames reused, bare JPEG %zu bytes\n",
      g_width, g_height, kRounds, capture.GetBackendName(), new_frames, kRounds, reused_frames,
      kRounds, jpeg_bytes / kRounds);
  Report("changed:   CaptureFrame", ours_changed, "BitBlt + WIC", bare_changed);
  Report("unchanged: CaptureFrame", ours_unchanged, "BitBlt", bare_unchanged);
  capture.ReleaseAll();
  factory.Reset();
  ::DestroyWindow(window);
  ::CoUninitialize();
  return 0;
}
