#include "desktop_host/screen_capture.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "base/scope_exit.h"
#include "desktop_host/row_copy.h"

namespace tesso {
namespace {

constexpr uint32_t kFormatB8G8R8A8Unorm = 87;
constexpr uint32_t kRotationIdentity = 1;  // DXGI_MODE_ROTATION: 2, 3 and 4 are turned
constexpr uint32_t kDriverTypeUnknown = 0;
constexpr uint32_t kD3d11SdkVersion = 7;
constexpr uint32_t kUsageStaging = 3;
constexpr uint32_t kCpuAccessRead = 0x20000;
constexpr uint32_t kMapRead = 1;

}  // namespace

DuplicationResult ClassifySetUpFailure(int32_t hr) {
  if (hr == kEAccessDenied || hr == kDxgiErrorAccessLost || hr == kDxgiErrorSessionDisconnected) {
    return DuplicationResult::RetryLater;
  }
  return DuplicationResult::DxgiUnavailable;
}

ScreenCapture::ScreenCapture(bool dxgi_allowed, std::unique_ptr<CapturePorts> ports)
    : dxgi_allowed_(dxgi_allowed), ports_(std::move(ports)) {}

ScreenCapture::~ScreenCapture() {
  raw_image_ = CapturedImage();
  encoded_frame_ = Frame();
  gdi_surface_.Release();
  DuplicationPort& duplication = *ports_->duplication;
  duplication.Release(DxgiObject::StagingTexture);
  duplication.Release(DxgiObject::Duplication);
  duplication.Release(DxgiObject::DeviceContext);
  duplication.Release(DxgiObject::Device);
  ports_->encoder->Release();
}

bool ScreenCapture::CaptureDisplay(const DisplayInfo& display, bool* changed) {
  *changed = false;
  const MonitorHandle monitor = display.monitor;
  // Refusals count for their display only: another one starts from nothing.
  if (monitor != dxgi_failed_monitor_) {
    dxgi_failed_monitor_ = MonitorHandle::kNone;
    dxgi_backoff_ms_ = 0;
  }
  const bool backed_off =
      dxgi_backoff_ms_ != 0 && ports_->clock->GetTickCount64() - dxgi_failed_at_ < dxgi_backoff_ms_;
  if (dxgi_allowed_ && !backed_off) {
    for (int attempt = 0; attempt < kDxgiAttempts; ++attempt) {
      const DuplicationResult result = AcquireDuplicatedFrame(display);
      if (result == DuplicationResult::NewFrame || result == DuplicationResult::NoNewFrame) {
        dxgi_failed_monitor_ = MonitorHandle::kNone;
        dxgi_backoff_ms_ = 0;
      }
      if (result == DuplicationResult::NewFrame) {
        // Duplication serves this display again: the GDI copy's objects are not needed.
        gdi_surface_.Release();
        *changed = true;
        backend_name_ = "dxgi";
        return true;
      }
      if (result == DuplicationResult::NoNewFrame) {
        if (monitor == raw_image_.monitor) return true;
        break;
      }
      if (result == DuplicationResult::DxgiUnavailable) {
        dxgi_backoff_ms_ = dxgi_backoff_ms_ == 0
                               ? kDxgiBackoffMs
                               : std::min(2 * dxgi_backoff_ms_, kDxgiMaxBackoffMs);
        dxgi_failed_monitor_ = monitor;
        dxgi_failed_at_ = ports_->clock->GetTickCount64();
        break;
      }
    }
  }

  if (!CaptureDisplayGdi(display, changed)) return false;
  backend_name_ = "gdi";
  return true;
}

void ScreenCapture::ReleaseDevice() {
  DuplicationPort& duplication = *ports_->duplication;
  duplication.Release(DxgiObject::Duplication);
  duplication.Release(DxgiObject::StagingTexture);
  duplication.Release(DxgiObject::DeviceContext);
  duplication.Release(DxgiObject::Device);
  duplicated_monitor_ = MonitorHandle::kNone;
}

void ScreenCapture::ResetFrames() {
  raw_image_ = CapturedImage();
  scaler_.Release();
  encoded_frame_ = Frame();
  encoded_valid_ = false;
  gdi_surface_.Release();
}

void ScreenCapture::ReleaseAll() {
  ReleaseDevice();
  ResetFrames();
  dxgi_failed_monitor_ = MonitorHandle::kNone;
  dxgi_backoff_ms_ = 0;
  ports_->encoder->Release();
}

DuplicationResult ScreenCapture::AcquireDuplicatedFrame(const DisplayInfo& display) {
  DuplicationPort& duplication = *ports_->duplication;
  if (!duplication.Holds(DxgiObject::Duplication) || duplicated_monitor_ != display.monitor) {
    ReleaseDevice();
    const int32_t hr = InitDuplication(display.monitor);
    if (hr < 0) {
      ReleaseDevice();
      return ClassifySetUpFailure(hr);
    }
  }
  // The acquired frame's resource and texture live for this attempt only.
  ScopeExit release_frame_objects([&duplication] {
    duplication.Release(DxgiObject::DesktopTexture);
    duplication.Release(DxgiObject::DesktopResource);
  });

  const bool is_new = raw_image_.monitor != display.monitor;
  const uint64_t deadline = ports_->clock->GetTickCount64() + kFirstFrameWaitMs;
  for (;;) {
    uint32_t timeout = 0;
    if (is_new) {
      const uint64_t now = ports_->clock->GetTickCount64();
      if (now >= deadline) return DuplicationResult::NoNewFrame;
      timeout = static_cast<uint32_t>(deadline - now);
    }
    duplication.Release(DxgiObject::DesktopResource);
    int64_t last_present_time = 0;
    const int32_t hr = duplication.AcquireNextFrame(timeout, &last_present_time);
    if (hr == kDxgiErrorWaitTimeout) return DuplicationResult::NoNewFrame;
    if (hr < 0) {
      ReleaseDevice();
      return DuplicationResult::RetryLater;
    }
    if (last_present_time != 0) break;
    // A pointer update only: no new desktop image.
    duplication.ReleaseFrame();
    if (!is_new) return DuplicationResult::NoNewFrame;
  }
  return CopyFrame(display, is_new);
}

DuplicationResult ScreenCapture::CopyFrame(const DisplayInfo& display, bool is_new) {
  DuplicationPort& duplication = *ports_->duplication;
  TextureDesc desktop;
  if (duplication.QueryDesktopTexture() >= 0) duplication.GetDesktopTextureDesc(&desktop);
  // Sizes beyond what a picture can hold are as unusable as another format.
  if (!duplication.Holds(DxgiObject::DesktopTexture) || desktop.format != kFormatB8G8R8A8Unorm ||
      desktop.width > INT32_MAX / 4 || desktop.height > INT32_MAX) {
    duplication.ReleaseFrame();
    ReleaseDevice();
    return DuplicationResult::DxgiUnavailable;
  }

  if (!duplication.Holds(DxgiObject::StagingTexture) || staging_width_ != desktop.width ||
      staging_height_ != desktop.height) {
    duplication.Release(DxgiObject::StagingTexture);
    TextureDesc staging;
    staging.width = desktop.width;
    staging.height = desktop.height;
    staging.mip_levels = 1;
    staging.array_size = 1;
    staging.format = desktop.format;
    staging.sample_count = 1;
    staging.sample_quality = 0;
    staging.usage = kUsageStaging;
    staging.bind_flags = 0;
    staging.cpu_access_flags = kCpuAccessRead;
    staging.misc_flags = 0;
    if (duplication.CreateStagingTexture(staging) < 0) {
      duplication.ReleaseFrame();
      ReleaseDevice();
      return DuplicationResult::RetryLater;
    }
    staging_width_ = desktop.width;
    staging_height_ = desktop.height;
  }

  duplication.CopyResource();
  // Give the desktop back before the slow read of the copy.
  duplication.ReleaseFrame();

  const size_t row = static_cast<size_t>(desktop.width) * 4;
  const size_t height = desktop.height;
  // Room for the copy before the texture is mapped, so that running out of memory leaves
  // nothing mapped.
  raw_image_.pixels.reserve(height * row);
  MappedTexture mapped;
  if (duplication.Map(0, kMapRead, 0, &mapped) < 0) {
    ReleaseDevice();
    return DuplicationResult::RetryLater;
  }
  if (mapped.data == nullptr || mapped.row_pitch < row) {
    duplication.Unmap(0);
    ReleaseDevice();
    return DuplicationResult::RetryLater;
  }

  const int32_t width = static_cast<int32_t>(desktop.width);
  bool changed = is_new || raw_image_.width != width ||
                 raw_image_.height != static_cast<int32_t>(height) ||
                 raw_image_.pixels.size() != height * row;
  raw_image_.pixels.resize(height * row);
  changed = CopyChangedRows(mapped.data, mapped.row_pitch, row, height, changed,
                            raw_image_.pixels.data());
  duplication.Unmap(0);
  raw_image_.monitor = display.monitor;
  raw_image_.width = width;
  raw_image_.height = static_cast<int32_t>(height);
  return changed ? DuplicationResult::NewFrame : DuplicationResult::NoNewFrame;
}

int32_t ScreenCapture::InitDuplication(MonitorHandle monitor) {
  DuplicationPort& duplication = *ports_->duplication;
  ScopeExit release_search([&duplication] {
    duplication.Release(DxgiObject::Output1);
    duplication.Release(DxgiObject::Output);
    duplication.Release(DxgiObject::Adapter);
    duplication.Release(DxgiObject::Factory);
  });
  const int32_t factory_hr = duplication.CreateFactory();
  if (factory_hr < 0) return factory_hr;
  for (uint32_t adapter = 0;; ++adapter) {
    if (duplication.EnumAdapters1(adapter) < 0) return kDxgiErrorNotFound;
    for (uint32_t output = 0; duplication.EnumOutputs(output) >= 0; ++output) {
      OutputDesc desc;
      if (duplication.GetOutputDesc(&desc) < 0 || desc.monitor != monitor) continue;
      if (desc.rotation > kRotationIdentity) return kDxgiErrorUnsupported;
      return CreateDuplication(monitor);
    }
  }
}

int32_t ScreenCapture::CreateDuplication(MonitorHandle monitor) {
  DuplicationPort& duplication = *ports_->duplication;
  duplication.Release(DxgiObject::DeviceContext);
  duplication.Release(DxgiObject::Device);
  const int32_t device_hr = duplication.D3D11CreateDevice(kDriverTypeUnknown, 0, kD3d11SdkVersion);
  if (device_hr < 0) return device_hr;
  const int32_t output1_hr = duplication.QueryOutput1();
  if (output1_hr < 0) return output1_hr;
  duplication.Release(DxgiObject::Duplication);
  const int32_t hr = duplication.DuplicateOutput();
  if (hr >= 0) duplicated_monitor_ = monitor;
  return hr;
}

bool ScreenCapture::CaptureDisplayGdi(const DisplayInfo& display, bool* changed) {
  const int64_t w = static_cast<int64_t>(display.right) - display.left;
  const int64_t h = static_cast<int64_t>(display.bottom) - display.top;
  if (w <= 0 || h <= 0 || w > INT32_MAX / 4 || h > INT32_MAX) return false;
  const int32_t width = static_cast<int32_t>(w);
  const int32_t height = static_cast<int32_t>(h);
  if (!gdi_surface_.Copy(display.monitor, display.left, display.top, width, height)) return false;

  // Compared with the previous picture straight from the section, which is copied only from
  // its first differing row on: an unchanged screen costs one comparison and no copy.
  const size_t row = static_cast<size_t>(width) * 4;
  const bool same_shape = display.monitor == raw_image_.monitor && width == raw_image_.width &&
                          height == raw_image_.height &&
                          raw_image_.pixels.size() == row * static_cast<size_t>(height);
  raw_image_.pixels.resize(row * static_cast<size_t>(height));
  *changed = CopyChangedRows(gdi_surface_.bits(), row, row, static_cast<size_t>(height),
                             !same_shape, raw_image_.pixels.data());
  raw_image_.monitor = display.monitor;
  raw_image_.width = width;
  raw_image_.height = height;
  return true;
}

}  // namespace tesso
