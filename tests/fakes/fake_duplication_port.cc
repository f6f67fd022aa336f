#include "tests/fakes/fake_duplication_port.h"

#include <algorithm>
#include <cstring>

#include "tests/fakes/fake_pictures.h"

namespace tesso_test {

using tesso::DxgiObject;

const char* DxgiObjectName(DxgiObject object) {
  switch (object) {
    case DxgiObject::Factory:
      return "Factory";
    case DxgiObject::Adapter:
      return "Adapter";
    case DxgiObject::Output:
      return "Output";
    case DxgiObject::Output1:
      return "Output1";
    case DxgiObject::Device:
      return "Device";
    case DxgiObject::DeviceContext:
      return "DeviceContext";
    case DxgiObject::Duplication:
      return "Duplication";
    case DxgiObject::DesktopResource:
      return "DesktopResource";
    case DxgiObject::DesktopTexture:
      return "DesktopTexture";
    case DxgiObject::StagingTexture:
      return "StagingTexture";
  }
  return "?";
}

void FakeDuplicationPort::SetDesktop(uint32_t width, uint32_t height, uint8_t seed) {
  desktop = tesso::TextureDesc();
  desktop.width = width;
  desktop.height = height;
  desktop.mip_levels = 1;
  desktop.array_size = 1;
  desktop.format = 87;
  desktop.sample_count = 1;
  screen = PatternPixels(width, height, seed);
}

void FakeDuplicationPort::Need(const std::string& call, std::initializer_list<DxgiObject> objects) {
  for (DxgiObject object : objects) {
    if (held_.count(object) == 0) misuse.push_back(call + " without " + DxgiObjectName(object));
  }
}

int32_t FakeDuplicationPort::Answer(std::deque<int32_t>* script) {
  if (script->empty()) return tesso::kSOk;
  const int32_t hr = script->front();
  script->pop_front();
  return hr;
}

bool FakeDuplicationPort::Holds(DxgiObject object) { return held_.count(object) != 0; }

void FakeDuplicationPort::Release(DxgiObject object) {
  if (held_.erase(object) == 0) return;
  calls.push_back(std::string("Release ") + DxgiObjectName(object));
  if (object == DxgiObject::StagingTexture && mapped_)
    misuse.push_back("StagingTexture released mapped");
  if (object == DxgiObject::Duplication && frame_acquired_) {
    misuse.push_back("Duplication released with a frame held");
    frame_acquired_ = false;
  }
}

int32_t FakeDuplicationPort::CreateFactory() {
  calls.push_back("CreateFactory");
  if (factory_hr >= 0) Hold(DxgiObject::Factory);
  return factory_hr;
}

int32_t FakeDuplicationPort::EnumAdapters1(uint32_t index) {
  calls.push_back("EnumAdapters1 " + std::to_string(index));
  Need("EnumAdapters1", {DxgiObject::Factory});
  if (index >= adapters.size()) return tesso::kDxgiErrorNotFound;
  adapter_ = index;
  Hold(DxgiObject::Adapter);
  return tesso::kSOk;
}

int32_t FakeDuplicationPort::EnumOutputs(uint32_t index) {
  calls.push_back("EnumOutputs " + std::to_string(index));
  Need("EnumOutputs", {DxgiObject::Adapter});
  if (adapter_ >= adapters.size() || index >= adapters[adapter_].size()) {
    return tesso::kDxgiErrorNotFound;
  }
  output_ = index;
  Hold(DxgiObject::Output);
  return tesso::kSOk;
}

int32_t FakeDuplicationPort::GetOutputDesc(tesso::OutputDesc* desc) {
  calls.push_back("GetOutputDesc");
  Need("GetOutputDesc", {DxgiObject::Output});
  const FakeOutput& output = adapters.at(adapter_).at(output_);
  if (output.desc_hr >= 0) *desc = output.desc;
  return output.desc_hr;
}

int32_t FakeDuplicationPort::D3D11CreateDevice(uint32_t driver_type, uint32_t flags,
                                               uint32_t sdk_version) {
  calls.push_back("D3D11CreateDevice " + std::to_string(driver_type) + " " + std::to_string(flags) +
                  " " + std::to_string(sdk_version));
  Need("D3D11CreateDevice", {DxgiObject::Adapter});
  if (Holds(DxgiObject::Device)) misuse.push_back("D3D11CreateDevice over a device");
  const int32_t hr = Answer(&device_hrs);
  if (hr >= 0) {
    Hold(DxgiObject::Device);
    Hold(DxgiObject::DeviceContext);
  }
  return hr;
}

int32_t FakeDuplicationPort::QueryOutput1() {
  calls.push_back("QueryOutput1");
  Need("QueryOutput1", {DxgiObject::Output});
  const int32_t hr = Answer(&output1_hrs);
  if (hr >= 0) Hold(DxgiObject::Output1);
  return hr;
}

int32_t FakeDuplicationPort::DuplicateOutput() {
  calls.push_back("DuplicateOutput");
  Need("DuplicateOutput", {DxgiObject::Output1, DxgiObject::Device});
  const int32_t hr = Answer(&duplicate_hrs);
  if (hr >= 0) Hold(DxgiObject::Duplication);
  return hr;
}

int32_t FakeDuplicationPort::AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) {
  calls.push_back("AcquireNextFrame " + std::to_string(timeout_ms));
  Need("AcquireNextFrame", {DxgiObject::Duplication});
  if (frame_acquired_) misuse.push_back("AcquireNextFrame with a frame held");
  if (Holds(DxgiObject::DesktopResource)) misuse.push_back("AcquireNextFrame over a resource");
  FrameAnswer answer;
  answer.hr = tesso::kDxgiErrorWaitTimeout;
  if (!frames.empty()) {
    answer = frames.front();
    frames.pop_front();
  }
  if (answer.hr == tesso::kDxgiErrorWaitTimeout && clock_ != nullptr) clock_->Advance(timeout_ms);
  if (answer.hr >= 0) {
    *last_present_time = answer.last_present_time;
    frame_acquired_ = true;
    Hold(DxgiObject::DesktopResource);
  }
  return answer.hr;
}

int32_t FakeDuplicationPort::ReleaseFrame() {
  calls.push_back("ReleaseFrame");
  if (!frame_acquired_) misuse.push_back("ReleaseFrame without a frame");
  frame_acquired_ = false;
  return tesso::kSOk;
}

int32_t FakeDuplicationPort::QueryDesktopTexture() {
  calls.push_back("QueryDesktopTexture");
  Need("QueryDesktopTexture", {DxgiObject::DesktopResource});
  const int32_t hr = Answer(&texture_hrs);
  if (hr >= 0) Hold(DxgiObject::DesktopTexture);
  return hr;
}

void FakeDuplicationPort::GetDesktopTextureDesc(tesso::TextureDesc* desc) {
  calls.push_back("GetDesktopTextureDesc");
  Need("GetDesktopTextureDesc", {DxgiObject::DesktopTexture});
  *desc = desktop;
}

int32_t FakeDuplicationPort::CreateStagingTexture(const tesso::TextureDesc& desc) {
  calls.push_back("CreateStagingTexture");
  Need("CreateStagingTexture", {DxgiObject::Device});
  if (Holds(DxgiObject::StagingTexture)) misuse.push_back("CreateStagingTexture over a texture");
  staging_descs.push_back(desc);
  const int32_t hr = Answer(&staging_hrs);
  if (hr >= 0) {
    staging_desc_ = desc;
    Hold(DxgiObject::StagingTexture);
  }
  return hr;
}

void FakeDuplicationPort::CopyResource() {
  calls.push_back("CopyResource");
  Need("CopyResource",
       {DxgiObject::DeviceContext, DxgiObject::StagingTexture, DxgiObject::DesktopTexture});
  if (!frame_acquired_) misuse.push_back("CopyResource without a frame");
  if (staging_desc_.width != desktop.width || staging_desc_.height != desktop.height) {
    misuse.push_back("CopyResource between different sizes");
  }
  const size_t row = static_cast<size_t>(desktop.width) * 4;
  const size_t pitch = row_pitch != 0 ? row_pitch : row;
  staging_.assign(pitch * desktop.height, 0xEE);  // the padding shows as 0xEE
  for (size_t y = 0; y < desktop.height && (y + 1) * row <= screen.size(); ++y) {
    std::memcpy(&staging_[y * pitch], &screen[y * row], row);
  }
}

int32_t FakeDuplicationPort::Map(uint32_t subresource, uint32_t map_type, uint32_t map_flags,
                                 tesso::MappedTexture* mapped) {
  calls.push_back("Map " + std::to_string(subresource) + " " + std::to_string(map_type) + " " +
                  std::to_string(map_flags));
  Need("Map", {DxgiObject::DeviceContext, DxgiObject::StagingTexture});
  if (mapped_) misuse.push_back("Map while mapped");
  const int32_t hr = Answer(&map_hrs);
  if (hr >= 0) {
    mapped_ = true;
    mapped->data = staging_.data();
    mapped->row_pitch = row_pitch != 0 ? row_pitch : desktop.width * 4;
  }
  return hr;
}

void FakeDuplicationPort::Unmap(uint32_t subresource) {
  calls.push_back("Unmap " + std::to_string(subresource));
  if (!mapped_) misuse.push_back("Unmap without Map");
  mapped_ = false;
}

}  // namespace tesso_test
