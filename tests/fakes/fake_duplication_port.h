// A duplication port and tick clock for the capture engine tests: scripted
// adapters, outputs, frames and failures, and a desktop of known pixels.
#ifndef TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_

#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "desktop_host/duplication_port.h"
#include "desktop_host/tick_clock.h"
#include "tests/fakes/shared_log.h"

namespace tesso_test {

// Reads `now`, then moves it on by `step`.
struct FakeTickClock : tesso::TickClock {
  uint64_t GetTickCount64() override { return (now += step) - step; }
  uint64_t now = 1000000;
  uint64_t step = 0;
};

// Bytes that tell their place and the seed.
inline std::vector<uint8_t> Pixels(size_t count, uint8_t seed) {
  std::vector<uint8_t> pixels(count);
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + seed);
  return pixels;
}

struct FakeDuplicationPort : tesso::DuplicationPort, Recorder<tesso::DxgiObject> {
  using Object = tesso::DxgiObject;
  FakeDuplicationPort(std::shared_ptr<CallLog> calls, FakeTickClock* ticks)
      : Recorder(std::move(calls)), clock(ticks) {}

  bool Holds(Object object) override { return held.count(object) != 0; }
  void Release(Object object) override {
    static const char* const kNames[] = {
        "Factory",       "Adapter",     "Output",          "Output1",        "Device",
        "DeviceContext", "Duplication", "DesktopResource", "DesktopTexture", "StagingTexture"};
    Drop(object, kNames[static_cast<int>(object)]);
  }
  int32_t CreateFactory() override { return Make("CreateFactory", {Object::Factory}); }
  int32_t EnumAdapters1(uint32_t index) override {
    adapter = index;
    return Find("EnumAdapters1", index, adapters.size(), Object::Adapter);
  }
  int32_t EnumOutputs(uint32_t index) override {
    output = index;
    return Find("EnumOutputs", index, adapters[adapter].size(), Object::Output);
  }
  int32_t GetOutputDesc(tesso::OutputDesc* desc) override {
    *desc = adapters[adapter][output];
    return Make("GetOutputDesc");
  }
  int32_t D3D11CreateDevice(uint32_t type, uint32_t flags, uint32_t sdk) override {
    return Call({Object::Device, Object::DeviceContext}, "D3D11CreateDevice", type, flags, sdk);
  }
  int32_t QueryOutput1() override { return Make("QueryOutput1", {Object::Output1}); }
  int32_t DuplicateOutput() override { return Make("DuplicateOutput", {Object::Duplication}); }
  // Answers from `frames` ({HRESULT, LastPresentTime}); none left: a wait
  // timeout, which moves the clock on.
  int32_t AcquireNextFrame(uint32_t timeout, int64_t* last_present_time) override {
    if (frames.empty()) clock->now += timeout;
    if (frames.empty()) frames.push_back({tesso::kDxgiErrorWaitTimeout, 0});
    fail["AcquireNextFrame"] = {frames.front().first};
    *last_present_time = frames.front().second;
    frames.pop_front();
    return Call({Object::DesktopResource}, "AcquireNextFrame", timeout);
  }
  int32_t ReleaseFrame() override { return Make("ReleaseFrame"); }
  int32_t QueryDesktopTexture() override {
    return Make("QueryDesktopTexture", {Object::DesktopTexture});
  }
  void GetDesktopTextureDesc(tesso::TextureDesc* desc) override {
    *desc = desktop;
    Make("GetDesktopTextureDesc");
  }
  int32_t CreateStagingTexture(const tesso::TextureDesc& desc) override {
    staging = desc;
    return Make("CreateStagingTexture", {Object::StagingTexture});
  }
  // The copy's rows are `pitch` apart (0: packed), the gaps 0xEE.
  void CopyResource() override {
    const size_t row = desktop.width * 4, step = pitch != 0 ? pitch : row;
    copy.assign(step * desktop.height, 0xEE);
    for (size_t y = 0; y < desktop.height; ++y) {
      std::memcpy(&copy[y * step], &screen[y * row], row);
    }
    Make("CopyResource");
  }
  int32_t Map(uint32_t subresource, uint32_t type, uint32_t flags,
              tesso::MappedTexture* mapped) override {
    *mapped = {copy.data(), pitch != 0 ? pitch : desktop.width * 4};
    return Call({}, "Map", subresource, type, flags);
  }
  void Unmap(uint32_t subresource) override { Call({}, "Unmap", subresource); }

  // The call; DXGI_ERROR_NOT_FOUND past the last of `count`.
  int32_t Find(const char* call, uint32_t index, size_t count, Object object) {
    if (index >= count) fail[call] = {tesso::kDxgiErrorNotFound};
    return Call({object}, call, index);
  }

  FakeTickClock* clock;
  std::vector<std::vector<tesso::OutputDesc>> adapters;  // the outputs of each
  std::deque<std::pair<int32_t, int64_t>> frames;
  tesso::TextureDesc desktop = {64, 48, 1, 1, 87, 1};
  std::vector<uint8_t> screen = Pixels(64 * 48 * 4, 5);  // rows packed
  uint32_t pitch = 0;
  tesso::TextureDesc staging;  // the last one made
  std::vector<uint8_t> copy;
  uint32_t adapter = 0;
  uint32_t output = 0;
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
