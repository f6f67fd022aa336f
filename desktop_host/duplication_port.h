// Desktop duplication's seam to DXGI and Direct3D 11. The adapter holds one COM reference per
// object kind below; each method is one platform call on the references it names and stores
// what the call gives into its slot (replacing what was there). Which objects to make, when to
// release them, every argument and every retry are the caller's. Capture worker only.
#ifndef TESSO_DESKTOP_HOST_DUPLICATION_PORT_H_
#define TESSO_DESKTOP_HOST_DUPLICATION_PORT_H_

#include <cstdint>
#include <tuple>

#include "base/handles.h"
#include "desktop_host/hresults.h"

namespace tesso {

// The COM references the adapter holds, one of each.
enum class DxgiObject : int32_t {
  Factory,          // IDXGIFactory1
  Adapter,          // IDXGIAdapter1, the last one enumerated
  Output,           // IDXGIOutput, the last one enumerated
  Output1,          // IDXGIOutput1 of Output
  Device,           // ID3D11Device
  DeviceContext,    // ID3D11DeviceContext, the device's immediate context
  Duplication,      // IDXGIOutputDuplication
  DesktopResource,  // IDXGIResource of the acquired frame
  DesktopTexture,   // ID3D11Texture2D of DesktopResource
  StagingTexture,   // ID3D11Texture2D, CPU-readable
};

// The fields of DXGI_OUTPUT_DESC that are read.
struct OutputDesc {
  MonitorHandle monitor = MonitorHandle::kNone;
  uint32_t rotation = 0;  // DXGI_MODE_ROTATION
};

// D3D11_TEXTURE2D_DESC.
struct TextureDesc {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t mip_levels = 0;
  uint32_t array_size = 0;
  uint32_t format = 0;  // DXGI_FORMAT
  uint32_t sample_count = 0;
  uint32_t sample_quality = 0;
  uint32_t usage = 0;  // D3D11_USAGE
  uint32_t bind_flags = 0;
  uint32_t cpu_access_flags = 0;
  uint32_t misc_flags = 0;
};

inline bool operator==(const TextureDesc& a, const TextureDesc& b) {
  return std::tie(a.width, a.height, a.mip_levels, a.array_size, a.format, a.sample_count,
                  a.sample_quality, a.usage, a.bind_flags, a.cpu_access_flags, a.misc_flags) ==
         std::tie(b.width, b.height, b.mip_levels, b.array_size, b.format, b.sample_count,
                  b.sample_quality, b.usage, b.bind_flags, b.cpu_access_flags, b.misc_flags);
}

// D3D11_MAPPED_SUBRESOURCE: the pixels stay valid until Unmap.
struct MappedTexture {
  const uint8_t* data = nullptr;
  uint32_t row_pitch = 0;
};

class DuplicationPort {
 public:
  virtual ~DuplicationPort() = default;

  // Whether the slot holds a reference.
  virtual bool Holds(DxgiObject object) = 0;
  // Releases the slot's reference (nothing when it holds none).
  virtual void Release(DxgiObject object) = 0;

  // CreateDXGIFactory1(IID_IDXGIFactory1) into Factory.
  virtual int32_t CreateFactory() = 0;
  // Factory->EnumAdapters1(index) into Adapter.
  virtual int32_t EnumAdapters1(uint32_t index) = 0;
  // Adapter->EnumOutputs(index) into Output.
  virtual int32_t EnumOutputs(uint32_t index) = 0;
  // Output->GetDesc.
  virtual int32_t GetOutputDesc(OutputDesc* desc) = 0;
  // D3D11CreateDevice(Adapter, driver_type, no software module, flags, no feature-level list,
  // sdk_version) into Device and DeviceContext.
  virtual int32_t D3D11CreateDevice(uint32_t driver_type, uint32_t flags, uint32_t sdk_version) = 0;
  // Output->QueryInterface(IID_IDXGIOutput1) into Output1.
  virtual int32_t QueryOutput1() = 0;
  // Output1->DuplicateOutput(Device) into Duplication.
  virtual int32_t DuplicateOutput() = 0;
  // Duplication->AcquireNextFrame(timeout_ms) into DesktopResource; *last_present_time is the
  // frame information's LastPresentTime.
  virtual int32_t AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) = 0;
  // Duplication->ReleaseFrame.
  virtual int32_t ReleaseFrame() = 0;
  // DesktopResource->QueryInterface(IID_ID3D11Texture2D) into DesktopTexture.
  virtual int32_t QueryDesktopTexture() = 0;
  // DesktopTexture->GetDesc.
  virtual void GetDesktopTextureDesc(TextureDesc* desc) = 0;
  // Device->CreateTexture2D(desc, no initial data) into StagingTexture.
  virtual int32_t CreateStagingTexture(const TextureDesc& desc) = 0;
  // DeviceContext->CopyResource(StagingTexture, DesktopTexture).
  virtual void CopyResource() = 0;
  // DeviceContext->Map(StagingTexture, subresource, map_type, map_flags).
  virtual int32_t Map(uint32_t subresource, uint32_t map_type, uint32_t map_flags,
                      MappedTexture* mapped) = 0;
  // DeviceContext->Unmap(StagingTexture, subresource).
  virtual void Unmap(uint32_t subresource) = 0;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DUPLICATION_PORT_H_
