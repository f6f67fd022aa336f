// tesso_platform_loop.exe: the bare platform calls that one frame of the primary display or one
// click costs, without any of our code, as the yardsticks for the desktop host's round trips
// (bench/desktop_host_bench.py runs both in one Wine session).
//
//   tesso_platform_loop.exe bitblt|encode|click ITERATIONS
//
// bitblt: screen context, memory context, a top-down 32-bit DIB section, BitBlt with
// CAPTUREBLT, GdiFlush, the copy of the pixels out, and the clean-up: what one GDI picture costs.
// encode: the same, then the WIC JPEG pipeline at full size (bitmap from memory, conversion to
// 24-bit BGR, encoder on a memory stream with the quality and subsampling options, commit,
// the bytes read back).
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
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

bool CaptureScreen(int width, int height, std::vector<uint8_t>* pixels) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
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

bool WriteOption(IPropertyBag2* options, const wchar_t* name, VARIANT value) {
  PROPBAG2 option{};
  option.pstrName = const_cast<wchar_t*>(name);
  return SUCCEEDED(options->Write(1, &option, &value));
}

bool Encode(IWICImagingFactory* factory, std::vector<uint8_t>& pixels, int width, int height,
            std::vector<uint8_t>* out) {
  ComPtr<IWICBitmap> bitmap;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<IStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (FAILED(factory->CreateBitmapFromMemory(width, height, GUID_WICPixelFormat32bppBGR, width * 4,
                                             static_cast<UINT>(pixels.size()), pixels.data(),
                                             bitmap.GetAddressOf())) ||
      FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
      FAILED(converter->Initialize(bitmap.Get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.GetAddressOf())) ||
      FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.GetAddressOf())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), options.GetAddressOf()))) {
    return false;
  }
  VARIANT quality{};
  quality.vt = VT_R4;
  quality.fltVal = 0.8f;
  VARIANT subsampling{};
  subsampling.vt = VT_UI1;
  subsampling.bVal = 3;
  if (!WriteOption(options.Get(), L"ImageQuality", quality) ||
      !WriteOption(options.Get(), L"JpegYCrCbSubsampling", subsampling) ||
      FAILED(frame->Initialize(options.Get())) || FAILED(frame->SetSize(width, height)) ||
      FAILED(frame->SetPixelFormat(&format)) ||
      FAILED(frame->WriteSource(converter.Get(), nullptr)) || FAILED(frame->Commit()) ||
      FAILED(encoder->Commit())) {
    return false;
  }
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
  LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
  out->resize(static_cast<size_t>(stat.cbSize.QuadPart));
  ULONG read = 0;
  return SUCCEEDED(stream->Read(out->data(), static_cast<ULONG>(out->size()), &read)) &&
         read == out->size();
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
    std::printf("usage: tesso_platform_loop.exe bitblt|encode|click ITERATIONS\n");
    return 2;
  }
  const std::string mode = argv[1];
  const int iterations = std::atoi(argv[2]);
  const bool encode = mode == "encode";
  const bool click = mode == "click";
  if ((!encode && !click && mode != "bitblt") || iterations <= 0) return 2;
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
  for (int i = 0; i < iterations; ++i) {
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    if (click ? !Click() : !CaptureScreen(width, height, &pixels)) return 1;
    if (encode && !Encode(factory.Get(), pixels, width, height, &jpeg)) return 1;
    QueryPerformanceCounter(&end);
    char ms[32];
    std::snprintf(ms, sizeof ms, "%s%.3f", i ? "," : "",
                  1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                      static_cast<double>(frequency.QuadPart));
    times += ms;
  }
  std::printf("{\"mode\":\"%s\",\"width\":%d,\"height\":%d,\"jpeg_bytes\":%zu,\"ms\":[%s]}\n",
              mode.c_str(), width, height, jpeg.size(), times.c_str());
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
