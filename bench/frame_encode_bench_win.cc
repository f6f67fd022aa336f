// The frame encoders and scalers under Wine, on one desktop-like picture, interleaved rounds:
// libjpeg-turbo against the imaging component (WIC) on a 1920 x 1080 picture, with and without
// the fast integer DCT; the area-average reduction of a 3840 x 2160 picture to 1920 x 1080
// against WIC's Fant scaler; and reduction plus encode against the full-size encode. Prints
// medians and their ratios. Run with scripts/wine-run.
#include <turbojpeg.h>
#include <wincodec.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "bench/desktop_picture.h"
#include "desktop_host/box_scaler.h"
#include "desktop_host/jpeg_encoder_port_win.h"
#include "desktop_host/turbo_jpeg_encoder.h"
#include "desktop_host/wic_frame_encoder.h"

namespace {

using Microsoft::WRL::ComPtr;

constexpr int kRounds = 20;

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Step {
  const char* name;
  std::function<bool()> run;
  std::vector<double> ms = {};
};

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const std::vector<uint8_t> hd = tesso::bench::DesktopPicture(1920, 1080),
                             uhd = tesso::bench::DesktopPicture(3840, 2160);
  std::vector<uint8_t> bytes, scaled(1920 * 1080 * 4);
  size_t turbo_bytes = 0, wic_bytes = 0;

  tesso::TurboJpegEncoder turbo;
  tesso::WicFrameEncoder wic(std::make_unique<tesso::JpegEncoderPortWin>());
  tesso::BoxScaler box;
  ComPtr<IWICImagingFactory> factory;
  ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(&factory));
  tjhandle handle = tjInitCompress();
  auto raw_turbo = [&](int flags) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok = tjCompress2(handle, hd.data(), 1920, 1920 * 4, 1080, TJPF_BGRX, &out, &size,
                                TJSAMP_444, 80, flags) == 0;
    tjFree(out);
    return ok;
  };
  auto fant = [&] {
    ComPtr<IWICBitmap> bitmap;
    ComPtr<IWICBitmapScaler> scaler;
    return SUCCEEDED(factory->CreateBitmapFromMemory(3840, 2160, GUID_WICPixelFormat32bppBGR,
                                                     3840 * 4, 3840 * 2160 * 4,
                                                     const_cast<BYTE*>(uhd.data()), &bitmap)) &&
           SUCCEEDED(factory->CreateBitmapScaler(&scaler)) &&
           SUCCEEDED(
               scaler->Initialize(bitmap.Get(), 1920, 1080, WICBitmapInterpolationModeFant)) &&
           SUCCEEDED(scaler->CopyPixels(nullptr, 1920 * 4, 1920 * 1080 * 4, scaled.data()));
  };
  std::vector<Step> steps = {
      {"turbo encode 1080p",
       [&] {
         return turbo.Encode(hd.data(), 1920, 1080, 1920 * 4, 0.8f, &bytes) &&
                (turbo_bytes = bytes.size()) > 0;
       }},
      {"WIC encode 1080p",
       [&] {
         return wic.Encode(hd.data(), 1920, 1080, 1920 * 4, 0.8f, &bytes) &&
                (wic_bytes = bytes.size()) > 0;
       }},
      {"turbo 1080p, accurate DCT, own buffer", [&] { return raw_turbo(0); }},
      {"turbo 1080p, fast DCT, own buffer", [&] { return raw_turbo(TJFLAG_FASTDCT); }},
      {"box scale 4K -> 1080p",
       [&] { return box.Scale(uhd.data(), 3840, 2160, 3840 * 4, 1920, 1080); }},
      {"WIC Fant scale 4K -> 1080p", fant},
      {"box scale 4K -> 1080p + turbo encode",
       [&] {
         return box.Scale(uhd.data(), 3840, 2160, 3840 * 4, 1920, 1080) &&
                turbo.Encode(box.pixels().data(), 1920, 1080, 1920 * 4, 0.8f, &bytes);
       }},
  };
  for (Step& step : steps) step.run();  // warm up: codec objects and buffers
  for (int round = 0; round < kRounds; ++round) {
    for (Step& step : steps) {
      const double start = Now();
      if (!step.run()) {
        std::printf("%s failed\n", step.name);
        return 1;
      }
      step.ms.push_back(Now() - start);
    }
  }
  const double base = Median(steps[0].ms);
  std::printf("%d rounds; JPEG at 0.8: turbo %zu bytes, WIC %zu bytes\n", kRounds, turbo_bytes,
              wic_bytes);
  for (const Step& step : steps) {
    std::printf("%-40s %7.2f ms  %5.2fx turbo 1080p\n", step.name, Median(step.ms),
                Median(step.ms) / base);
  }
  tjDestroy(handle);
  turbo.Release();
  wic.Release();
  factory.Reset();
  ::CoUninitialize();
  return 0;
}
