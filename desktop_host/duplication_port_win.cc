#include "desktop_host/duplication_port_win.h"

namespace tesso {
namespace {

static_assert(DXGI_ERROR_NOT_FOUND == kDxgiErrorNotFound &&
              DXGI_ERROR_UNSUPPORTED == kDxgiErrorUnsupported &&
              DXGI_ERROR_ACCESS_LOST == kDxgiErrorAccessLost &&
              DXGI_ERROR_WAIT_TIMEOUT == kDxgiErrorWaitTimeout &&
              DXGI_ERROR_SESSION_DISCONNECTED == kDxgiErrorSessionDisconnected &&
              E_ACCESSDENIED == kEAccessDenied);
// The numbers the capture engine passes.
static_assert(DXGI_FORMAT_B8G8R8A8_UNORM == 87 && DXGI_MODE_ROTATION_IDENTITY == 1 &&
              D3D_DRIVER_TYPE_UNKNOWN == 0 && D3D11_SDK_VERSION == 7 && D3D11_USAGE_STAGING == 3 &&
              D3D11_CPU_ACCESS_READ == 0x20000 && D3D11_MAP_READ == 1);

}  // namespace

bool DuplicationPortWin::Holds(DxgiObject object) {
  switch (object) {
    case DxgiObject::Factory:
      return factory_ != nullptr;
    case DxgiObject::Adapter:
      return adapter_ != nullptr;
    case DxgiObject::Output:
      return output_ != nullptr;
    case DxgiObject::Output1:
      return output1_ != nullptr;
    case DxgiObject::Device:
      return device_ != nullptr;
    case DxgiObject::DeviceContext:
      return device_context_ != nullptr;
    case DxgiObject::Duplication:
      return duplication_ != nullptr;
    case DxgiObject::DesktopResource:
      return desktop_resource_ != nullptr;
    case DxgiObject::DesktopTexture:
      return desktop_texture_ != nullptr;
    case DxgiObject::StagingTexture:
      return staging_texture_ != nullptr;
  }
  return false;
}

void DuplicationPortWin::Release(DxgiObject object) {
  switch (object) {
    case DxgiObject::Factory:
      factory_.Reset();
      break;
    case DxgiObject::Adapter:
      adapter_.Reset();
      break;
    case DxgiObject::Output:
      output_.Reset();
      break;
    case DxgiObject::Output1:
      output1_.Reset();
      break;
    case DxgiObject::Device:
      device_.Reset();
      break;
    case DxgiObject::DeviceContext:
      device_context_.Reset();
      break;
    case DxgiObject::Duplication:
      duplication_.Reset();
      break;
    case DxgiObject::DesktopResource:
      desktop_resource_.Reset();
      break;
    case DxgiObject::DesktopTexture:
      desktop_texture_.Reset();
      break;
    case DxgiObject::StagingTexture:
      staging_texture_.Reset();
      break;
  }
}

// Each call below needs the references it names; without them it answers E_POINTER rather
// than touching a null interface.

int32_t DuplicationPortWin::CreateFactory() {
  return ::CreateDXGIFactory1(__uuidof(IDXGIFactory1),
                              reinterpret_cast<void**>(factory_.ReleaseAndGetAddressOf()));
}

int32_t DuplicationPortWin::EnumAdapters1(uint32_t index) {
  if (!factory_) return E_POINTER;
  return factory_->EnumAdapters1(index, adapter_.ReleaseAndGetAddressOf());
}

int32_t DuplicationPortWin::EnumOutputs(uint32_t index) {
  if (!adapter_) return E_POINTER;
  return adapter_->EnumOutputs(index, output_.ReleaseAndGetAddressOf());
}

int32_t DuplicationPortWin::GetOutputDesc(OutputDesc* desc) {
  if (!output_) return E_POINTER;
  DXGI_OUTPUT_DESC native{};
  const HRESULT hr = output_->GetDesc(&native);
  desc->monitor = static_cast<MonitorHandle>(reinterpret_cast<uintptr_t>(native.Monitor));
  desc->rotation = static_cast<uint32_t>(native.Rotation);
  return hr;
}

int32_t DuplicationPortWin::D3D11CreateDevice(uint32_t driver_type, uint32_t flags,
                                              uint32_t sdk_version) {
  if (!adapter_) return E_POINTER;
  return ::D3D11CreateDevice(adapter_.Get(), static_cast<D3D_DRIVER_TYPE>(driver_type), nullptr,
                             flags, nullptr, 0, sdk_version, device_.ReleaseAndGetAddressOf(),
                             nullptr, device_context_.ReleaseAndGetAddressOf());
}

int32_t DuplicationPortWin::QueryOutput1() {
  if (!output_) return E_POINTER;
  return output_.As(&output1_);
}

int32_t DuplicationPortWin::DuplicateOutput() {
  if (!output1_ || !device_) return E_POINTER;
  return output1_->DuplicateOutput(device_.Get(), duplication_.ReleaseAndGetAddressOf());
}

int32_t DuplicationPortWin::AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) {
  if (!duplication_) return E_POINTER;
  DXGI_OUTDUPL_FRAME_INFO info{};
  const HRESULT hr =
      duplication_->AcquireNextFrame(timeout_ms, &info, desktop_resource_.ReleaseAndGetAddressOf());
  *last_present_time = info.LastPresentTime.QuadPart;
  return hr;
}

int32_t DuplicationPortWin::ReleaseFrame() {
  if (!duplication_) return E_POINTER;
  return duplication_->ReleaseFrame();
}

int32_t DuplicationPortWin::QueryDesktopTexture() {
  if (!desktop_resource_) return E_POINTER;
  return desktop_resource_.As(&desktop_texture_);
}

void DuplicationPortWin::GetDesktopTextureDesc(TextureDesc* desc) {
  if (!desktop_texture_) return;
  D3D11_TEXTURE2D_DESC native{};
  desktop_texture_->GetDesc(&native);
  desc->width = native.Width;
  desc->height = native.Height;
  desc->mip_levels = native.MipLevels;
  desc->array_size = native.ArraySize;
  desc->format = static_cast<uint32_t>(native.Format);
  desc->sample_count = native.SampleDesc.Count;
  desc->sample_quality = native.SampleDesc.Quality;
  desc->usage = static_cast<uint32_t>(native.Usage);
  desc->bind_flags = native.BindFlags;
  desc->cpu_access_flags = native.CPUAccessFlags;
  desc->misc_flags = native.MiscFlags;
}

int32_t DuplicationPortWin::CreateStagingTexture(const TextureDesc& desc) {
  if (!device_) return E_POINTER;
  D3D11_TEXTURE2D_DESC native{};
  native.Width = desc.width;
  native.Height = desc.height;
  native.MipLevels = desc.mip_levels;
  native.ArraySize = desc.array_size;
  native.Format = static_cast<DXGI_FORMAT>(desc.format);
  native.SampleDesc.Count = desc.sample_count;
  native.SampleDesc.Quality = desc.sample_quality;
  native.Usage = static_cast<D3D11_USAGE>(desc.usage);
  native.BindFlags = desc.bind_flags;
  native.CPUAccessFlags = desc.cpu_access_flags;
  native.MiscFlags = desc.misc_flags;
  return device_->CreateTexture2D(&native, nullptr, staging_texture_.ReleaseAndGetAddressOf());
}

void DuplicationPortWin::CopyResource() {
  if (!device_context_ || !staging_texture_ || !desktop_texture_) return;
  device_context_->CopyResource(staging_texture_.Get(), desktop_texture_.Get());
}

int32_t DuplicationPortWin::Map(uint32_t subresource, uint32_t map_type, uint32_t map_flags,
                                MappedTexture* mapped) {
  if (!device_context_ || !staging_texture_) return E_POINTER;
  D3D11_MAPPED_SUBRESOURCE native{};
  const HRESULT hr = device_context_->Map(staging_texture_.Get(), subresource,
                                          static_cast<D3D11_MAP>(map_type), map_flags, &native);
  mapped->data = static_cast<const uint8_t*>(native.pData);
  mapped->row_pitch = native.RowPitch;
  return hr;
}

void DuplicationPortWin::Unmap(uint32_t subresource) {
  if (!device_context_ || !staging_texture_) return;
  device_context_->Unmap(staging_texture_.Get(), subresource);
}

}  // namespace tesso
