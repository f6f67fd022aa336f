// tesso_platform_loop.exe: the bare platform calls that one frame of the primary display or one
// click costs, without any of our code, as the yardsticks for the desktop host's round trips
// (bench/desktop_host_bench.py runs both in one Wine session).
//
//   tesso_platform_loop.exe bitblt|encode|kept|floor|click ITERATIONS
//
// bitblt: screen context, memory context, a top-down 32-bit DIB section, BitBlt with
// CAPTUREBLT, GdiFlush, the copy of the pixels out, and the clean-up: a GDI picture set up anew.
// encode: the same, then the WIC JPEG pipeline at full size (bitmap from memory, conversion to
// 24-bit BGR, encoder on a memory stream with the quality and subsampling options, commit,
// the bytes read back).
// kept: BitBlt into a DIB section made once, on a thread of its own: the floor of a picture.
// floor: the same, then one JPEG of the section (libjpeg-turbo when built in, else WIC).
// click: a left click at the centre of the screen as three SendInput calls (move, down, up with
// absolute virtual-desktop coordinates) with 15 ms and 30 ms sleeps between them, from a
// process that shows a small window, as tesso.exe does (Wine moves the X pointer only for such).
// Prints one JSON line: the mode and every iteration's milliseconds.
#include <windows.h>
// After windows.h, which they build on.
#include <objidl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/win/screen_floor_win.h"

using Microsoft::WRL::ComPtr;

namespace {

bool CaptureScreen(int width, int height, std::vector<uint8_t>* pixels) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  HDC memory = CreateCompatibleDC(screen);
  const BITMAPINFO info = tesso_bench::TopDownBitmap(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (memory != nullptr && bitmap != nullptr && bits != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != 0;
    GdiFlush();
    if (ok) {
      pixels->resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
      std::memcpy(pixels->data(), bits, pixels->size());
    }
    SelectObject(memory, previous);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool Click() {
  const DWORD flags[] = {0xC001, 0xC003, 0xC005};  // move, left down, left up
  const DWORD pauses[] = {15, 30, 0};
  for (int i = 0; i < 3; ++i) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = 32768;
    input.mi.dy = 32768;
    input.mi.dwFlags = flags[i];
    if (SendInput(1, &input, sizeof input) != 1) return false;
    if (pauses[i] != 0) Sleep(pauses[i]);
  }
  return true;
}

int Run(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: tesso_platform_loop.exe bitblt|encode|kept|floor|click ITERATIONS\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int iterations = std::atoi(argv[2]);
  const bool encode = mode == "encode";
  const bool click = mode == "click";
  const bool floor = mode == "floor";
  const bool kept = floor || mode == "kept";
  if ((!encode && !click && !kept && mode != "bitblt") || iterations <= 0) return 2;
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 1;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.GetAddressOf())))) {
    return 1;
  }
  HWND window = nullptr;
  if (click) {
    window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"STATIC", L"",
                             WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<uint8_t> pixels, jpeg;
  std::string times;
  bool ok = true;
  auto loop = [&] {
    tesso_bench::KeptScreenCopy copy(kept ? width : 1, kept ? height : 1);
    tesso_bench::FloorJpeg floor_jpeg(factory.Get());
    for (int i = 0; ok && i < iterations; ++i) {
      LARGE_INTEGER begin, end;
      QueryPerformanceCounter(&begin);
      if (kept) {
        ok = copy.Copy() && (!floor || floor_jpeg.Encode(copy.bits(), width, height, &jpeg));
      } else {
        ok = click ? Click() : CaptureScreen(width, height, &pixels);
        ok = ok &&
             (!encode || tesso_bench::WicJpeg(factory.Get(), pixels.data(), width, height, &jpeg));
      }
      QueryPerformanceCounter(&end);
      char ms[32];
      std::snprintf(ms, sizeof ms, "%s%.3f", i ? "," : "",
                    1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
      times += ms;
    }
  };
  if (kept) {
    std::thread worker(loop);  // no window on it, as on the host's capture worker
    worker.join();
  } else {
    loop();
  }
  if (!ok) return 1;
  std::printf(
      "{\"mode\":\"%s\",\"encoder\":\"%s\",\"width\":%d,\"height\":%d,\"jpeg_bytes\":%zu,"
      "\"ms\":[%s]}\n",
      mode.c_str(), floor ? tesso_bench::FloorJpeg::Name() : "WIC", width, height, jpeg.size(),
      times.c_str());
  std::fflush(stdout);
  if (window != nullptr) DestroyWindow(window);
  factory.Reset();
  CoUninitialize();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (...) {
    return 1;
  }
}
