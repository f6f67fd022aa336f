// A duplication port and tick clock for the capture engine tests: scripted adapters, outputs,
// frames and failures, a desktop of known pixels, and every call (a Release only when it let
// something go) logged as a short line.
#ifndef TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "desktop_host/duplication_port.h"
#include "desktop_host/tick_clock.h"

namespace tesso_test {

using CallLog = std::vector<std::string>;

// Reads `now`, then moves it on by `step`.
struct FakeTickClock : tesso::TickClock {
  uint64_t now = 1000000;
  uint64_t step = 0;
  uint64_t GetTickCount64() override { return (now += step) - step; }
};

// Pixels whose bytes tell their place and the seed.
inline std::vector<uint8_t> Pixels(size_t count, uint8_t seed) {
  std::vector<uint8_t> pixels(count);
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + seed);
  return pixels;
}

class FakeDuplicationPort : public tesso::DuplicationPort {
 public:
  using Object = tesso::DxgiObject;
  FakeDuplicationPort(std::shared_ptr<CallLog> log, FakeTickClock* clock)
      : log_(log), clock_(clock) {}

  // A desktop of width x height in the pattern of `seed`.
  void SetDesktop(uint32_t width, uint32_t height, uint8_t seed) {
    desktop = tesso::TextureDesc{width, height, 1, 1, 87, 1};
    screen = Pixels(width * height * 4, seed);
  }

  // Script. `fail`: a call's name -> its answers in turn, S_OK after them. `frames`: answers
  // {HRESULT, LastPresentTime} of AcquireNextFrame; none left: a wait timeout that moves the
  // clock on.
  std::vector<std::vector<tesso::OutputDesc>> adapters;
  std::map<std::string, std::deque<int32_t>> fail;
  std::deque<std::pair<int32_t, int64_t>> frames;
  tesso::TextureDesc desktop;
  std::vector<uint8_t> screen;  // rows packed
  uint32_t pitch = 0;           // of the mapped copy; 0: packed
  // Records.
  std::set<Object> held;
  tesso::TextureDesc staging;

  bool Holds(Object object) override { return held.count(object) != 0; }
  void Release(Object object) override {
    static const char* const kNames[] = {
        "Factory",       "Adapter",     "Output",          "Output1",        "Device",
        "DeviceContext", "Duplication", "DesktopResource", "DesktopTexture", "StagingTexture"};
    if (held.erase(object) != 0) log_->push_back(std::string("Release ") + kNames[int(object)]);
  }
  int32_t CreateFactory() override { return Make("CreateFactory", {Object::Factory}); }
  int32_t EnumAdapters1(uint32_t index) override {
    adapter_ = index;
    const bool found = index < adapters.size();
    return Make("EnumAdapters1 " + std::to_string(index), {Object::Adapter}, found);
  }
  int32_t EnumOutputs(uint32_t index) override {
    output_ = index;
    const bool found = index < adapters[adapter_].size();
    return Make("EnumOutputs " + std::to_string(index), {Object::Output}, found);
  }
  int32_t GetOutputDesc(tesso::OutputDesc* desc) override {
    const int32_t hr = Make("GetOutputDesc", {});
    if (hr >= 0) *desc = adapters[adapter_][output_];
    return hr;
  }
  int32_t D3D11CreateDevice(uint32_t driver_type, uint32_t flags, uint32_t sdk) override {
    return Make("D3D11CreateDevice " + std::to_string(driver_type) + " " + std::to_string(flags) +
                    " " + std::to_string(sdk),
                {Object::Device, Object::DeviceContext});
  }
  int32_t QueryOutput1() override { return Make("QueryOutput1", {Object::Output1}); }
  int32_t DuplicateOutput() override { return Make("DuplicateOutput", {Object::Duplication}); }
  int32_t AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) override {
    log_->push_back("AcquireNextFrame " + std::to_string(timeout_ms));
    if (frames.empty()) {
      clock_->now += timeout_ms;
      return tesso::kDxgiErrorWaitTimeout;
    }
    const auto [hr, present] = frames.front();
    frames.pop_front();
    if (hr >= 0) *last_present_time = present;
    if (hr >= 0) held.insert(Object::DesktopResource);
    return hr;
  }
  int32_t ReleaseFrame() override { return Make("ReleaseFrame", {}); }
  int32_t QueryDesktopTexture() override {
    return Make("QueryDesktopTexture", {Object::DesktopTexture});
  }
  void GetDesktopTextureDesc(tesso::TextureDesc* desc) override {
    log_->push_back("GetDesktopTextureDesc");
    *desc = desktop;
  }
  int32_t CreateStagingTexture(const tesso::TextureDesc& desc) override {
    staging = desc;
    return Make("CreateStagingTexture", {Object::StagingTexture});
  }
  void CopyResource() override {
    log_->push_back("CopyResource");
    const size_t row = desktop.width * 4, step = pitch != 0 ? pitch : row;
    copy_.assign(step * desktop.height, 0xEE);
    for (size_t y = 0; y < desktop.height; ++y) {
      std::memcpy(&copy_[y * step], &screen[y * row], row);
    }
  }
  int32_t Map(uint32_t subresource, uint32_t type, uint32_t flags,
              tesso::MappedTexture* mapped) override {
    const int32_t hr = Make("Map " + std::to_string(subresource) + " " + std::to_string(type) +
                                " " + std::to_string(flags),
                            {});
    if (hr >= 0) *mapped = {copy_.data(), pitch != 0 ? pitch : desktop.width * 4};
    return hr;
  }
  void Unmap(uint32_t subresource) override {
    log_->push_back("Unmap " + std::to_string(subresource));
  }

 private:
  // Logs the call; its scripted answer (DXGI_ERROR_NOT_FOUND when not `found`), holding
  // `objects` when it succeeds.
  int32_t Make(const std::string& call, std::initializer_list<Object> objects, bool found = true) {
    log_->push_back(call);
    std::deque<int32_t>& answers = fail[call.substr(0, call.find(' '))];
    int32_t hr = found ? tesso::kSOk : tesso::kDxgiErrorNotFound;
    if (found && !answers.empty()) {
      hr = answers.front();
      answers.pop_front();
    }
    if (hr >= 0) held.insert(objects);
    return hr;
  }

  std::shared_ptr<CallLog> log_;
  FakeTickClock* clock_;
  uint32_t adapter_ = 0;
  uint32_t output_ = 0;
  std::vector<uint8_t> copy_;  // the staging texture, rows `pitch` apart
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
