// The frame pipeline's cost under Wine against the platform's floor on the same picture, in
// one run, rounds interleaved: CaptureFrame on a changed picture against a BitBlt into a kept
// DIB section plus one JPEG (libjpeg-turbo when built in), and on an unchanged picture against
// that BitBlt alone; beside them the imaging component's JPEG of the same pixels (the fallback)
// and a GDI copy set up anew for every frame (what the host did before). A window of ours
// covers the first display and repaints a new picture before each "changed" measurement; its
// thread only paints, and everything measured runs on a thread without windows, as the host's
// capture worker does. Run with scripts/wine-run --screens 1920x1080 (or 3840x2160 with
// MAX_DIMENSION 1920).
//
//   capture_bench.exe [MAX_DIMENSION [ROUNDS]]
#include <windows.h>
// After windows.h, which they build on.
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench/win/screen_floor_win.h"
#include "desktop_host/capture_frame.h"
#include "desktop_host/capture_ports_win.h"
#include "desktop_host/screen_capture.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr UINT kRepaint = WM_APP + 1;  // sent by the measuring thread; answered once painted
constexpr UINT kDone = WM_APP + 2;
int g_width = 0;
int g_height = 0;
int g_shade = 0;
std::vector<uint32_t> g_picture;

LRESULT CALLBACK PictureWindowProc(HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) noexcept {
  if (message == kRepaint) {
    ++g_shade;
    ::InvalidateRect(window, nullptr, FALSE);
    ::UpdateWindow(window);
    ::GdiFlush();
    return 0;
  }
  if (message == kDone) {
    ::PostQuitMessage(0);
    return 0;
  }
  if (message != WM_PAINT) return ::DefWindowProcW(window, message, wparam, lparam);
  for (int y = 0; y < g_height; ++y) {
    for (int x = 0; x < g_width; ++x) {
      g_picture[static_cast<size_t>(y) * g_width + x] =
          static_cast<uint32_t>((x + g_shade) * 0x010203 + y * 0x030201);
    }
  }
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(window, &paint);
  const BITMAPINFO info = tesso_bench::TopDownBitmap(g_width, g_height);
  ::SetDIBitsToDevice(dc, 0, 0, g_width, g_height, 0, 0, 0, g_height, g_picture.data(), &info,
                      DIB_RGB_COLORS);
  ::EndPaint(window, &paint);
  return 0;
}

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// A GDI copy with its contexts and section made and given back around it.
void SetUpAndCopy() { tesso_bench::KeptScreenCopy(g_width, g_height).Copy(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Series {
  explicit Series(const char* series_name) : name(series_name) {}
  const char* name;
  std::vector<double> ms;
};

void Measure(HWND window, int max_dimension, int rounds) {
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  {
    ComPtr<IWICImagingFactory> factory;
    ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                       IID_PPV_ARGS(&factory));
    tesso::ScreenCapture capture(true, tesso::MakeCapturePortsWin());
    tesso::ScreenCapture::Frame frame;
    tesso_bench::KeptScreenCopy kept(g_width, g_height);
    tesso_bench::FloorJpeg floor_jpeg(factory.Get());
    std::vector<uint8_t> jpeg, wic_jpeg;
    // Warm up: the device set-up that Wine refuses, the imaging factory, the first picture.
    tesso::CaptureFrame(capture, 0, max_dimension, 0.8, &frame);
    kept.Copy();
    floor_jpeg.Encode(kept.bits(), g_width, g_height, &jpeg);

    Series floor_changed{"floor: kept BitBlt + JPEG"}, ours_changed{"changed:   CaptureFrame"},
        floor_unchanged{"floor: kept BitBlt"}, ours_unchanged{"unchanged: CaptureFrame"},
        floor_encode{"floor JPEG alone"}, wic{"WIC JPEG (fallback chain)"},
        set_up{"GDI copy set up per frame"};
    int new_frames = 0, reused_frames = 0;
    auto timed = [](Series* series, auto&& step) {
      const double start = Now();
      step();
      series->ms.push_back(Now() - start);
    };
    auto repaint = [window] {
      ::SendMessageW(window, kRepaint, 0, 0);
      ::Sleep(50);
    };
    for (int round = 0; round < rounds; ++round) {
      repaint();
      timed(&floor_changed, [&] {
        kept.Copy();
        floor_jpeg.Encode(kept.bits(), g_width, g_height, &jpeg);
      });
      timed(&floor_encode, [&] { floor_jpeg.Encode(kept.bits(), g_width, g_height, &jpeg); });
      timed(&wic, [&] {
        tesso_bench::WicJpeg(factory.Get(), kept.bits(), g_width, g_height, &wic_jpeg);
      });
      const int64_t before = frame.sequence;
      repaint();
      timed(&ours_changed, [&] { tesso::CaptureFrame(capture, 0, max_dimension, 0.8, &frame); });
      if (frame.sequence != before) ++new_frames;
      timed(&floor_unchanged, [&] { kept.Copy(); });
      const int64_t last = frame.sequence;
      timed(&ours_unchanged, [&] { tesso::CaptureFrame(capture, 0, max_dimension, 0.8, &frame); });
      if (frame.sequence == last) ++reused_frames;
      timed(&set_up, SetUpAndCopy);
    }
    std::printf(
        "screen %dx%d, maxDimension %d -> frame %dx%d, %d rounds, backend %s, floor JPEG %s; "
        "%d of %d changed frames encoded, %d of %d unchanged frames reused; JPEG bytes: ours "
        "%zu, floor %zu, WIC %zu\n",
        g_width, g_height, max_dimension, frame.width, frame.height, rounds,
        capture.GetBackendName(), tesso_bench::FloorJpeg::Name(), new_frames, rounds, reused_frames,
        rounds, frame.bytes.size(), jpeg.size(), wic_jpeg.size());
    for (const Series* s : {&ours_changed, &floor_changed, &ours_unchanged, &floor_unchanged,
                            &floor_encode, &wic, &set_up}) {
      std::printf("  %-28s median %7.1f ms\n", s->name, Median(s->ms));
    }
    std::printf("  ratio changed/floor %.3f, unchanged/kept BitBlt %.3f\n",
                Median(ours_changed.ms) / Median(floor_changed.ms),
                Median(ours_unchanged.ms) / Median(floor_unchanged.ms));
    std::fflush(stdout);
    capture.ReleaseAll();
  }
  ::CoUninitialize();
}

}  // namespace

int main(int argc, char** argv) {
  const int max_dimension = argc > 1 ? std::atoi(argv[1]) : 0;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
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
  const ULONGLONG settle = ::GetTickCount64() + 2500;
  MSG message;
  while (::GetTickCount64() < settle) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    ::Sleep(5);
  }
  std::thread worker([window, max_dimension, rounds] {
    Measure(window, max_dimension, rounds);
    ::PostMessageW(window, kDone, 0, 0);
  });
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
  worker.join();
  ::DestroyWindow(window);
  return 0;
}
