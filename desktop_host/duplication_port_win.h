// The duplication port on Windows: DXGI and Direct3D 11, one COM reference per object kind.
// Capture worker only.
#ifndef TESSO_DESKTOP_HOST_DUPLICATION_PORT_WIN_H_
#define TESSO_DESKTOP_HOST_DUPLICATION_PORT_WIN_H_

#include <d3d11.h>
#include <dxgi1_2.h>
#include <wrl/client.h>

#include "desktop_host/duplication_port.h"

namespace tesso {

class DuplicationPortWin : public DuplicationPort {
 public:
  bool Holds(DxgiObject object) override;
  void Release(DxgiObject object) override;
  int32_t CreateFactory() override;
  int32_t EnumAdapters1(uint32_t index) override;
  int32_t EnumOutputs(uint32_t index) override;
  int32_t GetOutputDesc(OutputDesc* desc) override;
  int32_t D3D11CreateDevice(uint32_t driver_type, uint32_t flags, uint32_t sdk_version) override;
  int32_t QueryOutput1() override;
  int32_t DuplicateOutput() override;
  int32_t AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) override;
  int32_t ReleaseFrame() override;
  int32_t QueryDesktopTexture() override;
  void GetDesktopTextureDesc(TextureDesc* desc) override;
  int32_t CreateStagingTexture(const TextureDesc& desc) override;
  void CopyResource() override;
  int32_t Map(uint32_t subresource, uint32_t map_type, uint32_t map_flags,
              MappedTexture* mapped) override;
  void Unmap(uint32_t subresource) override;

 private:
  Microsoft::WRL::ComPtr<IDXGIFactory1> factory_;
  Microsoft::WRL::ComPtr<IDXGIAdapter1> adapter_;
  Microsoft::WRL::ComPtr<IDXGIOutput> output_;
  Microsoft::WRL::ComPtr<IDXGIOutput1> output1_;
  Microsoft::WRL::ComPtr<ID3D11Device> device_;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext> device_context_;
  Microsoft::WRL::ComPtr<IDXGIOutputDuplication> duplication_;
  Microsoft::WRL::ComPtr<IDXGIResource> desktop_resource_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> desktop_texture_;
  Microsoft::WRL::ComPtr<ID3D11Texture2D> staging_texture_;
};

}  // namespace tesso

#endif  // TESSO_DESKTOP_HOST_DUPLICATION_PORT_WIN_H_
