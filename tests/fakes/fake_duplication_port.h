// A duplication port for the capture engine tests: a scripted set of adapters and outputs, a
// desktop of known pixels, scripted failures of each call, and a record of every call and
// every real release. Protocol faults (a call on an object not held, a second frame acquired
// before the first was released, a texture released while mapped) are collected in `misuse`.
#ifndef TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "desktop_host/duplication_port.h"
#include "tests/fakes/fake_tick_clock.h"

namespace tesso_test {

struct FakeOutput {
  tesso::OutputDesc desc;
  int32_t desc_hr = tesso::kSOk;
};

// One answer of AcquireNextFrame. A wait timeout moves the clock on by the timeout asked for.
struct FrameAnswer {
  int32_t hr = tesso::kSOk;
  int64_t last_present_time = 1;
};

class FakeDuplicationPort : public tesso::DuplicationPort {
 public:
  // `clock` (may be null) is moved on by the waits that time out.
  explicit FakeDuplicationPort(FakeTickClock* clock = nullptr) : clock_(clock) {}

  // A desktop of width x height whose pixels are a pattern of `seed`; the output of every
  // later duplication. Sets `desktop` and `screen`.
  void SetDesktop(uint32_t width, uint32_t height, uint8_t seed);

  // Script. Each queue answers one call and is popped; an empty queue answers S_OK.
  int32_t factory_hr = tesso::kSOk;
  std::vector<std::vector<FakeOutput>> adapters;  // outputs of adapter 0, 1, ...
  std::deque<int32_t> device_hrs;
  std::deque<int32_t> output1_hrs;
  std::deque<int32_t> duplicate_hrs;
  std::deque<int32_t> texture_hrs;  // QueryDesktopTexture
  std::deque<int32_t> staging_hrs;
  std::deque<int32_t> map_hrs;
  std::deque<FrameAnswer> frames;  // empty: DXGI_ERROR_WAIT_TIMEOUT
  tesso::TextureDesc desktop;      // GetDesktopTextureDesc
  std::vector<uint8_t> screen;     // desktop.width x desktop.height pixels, rows packed
  uint32_t row_pitch = 0;          // of the mapped copy; 0 means width x 4

  // Records.
  std::vector<std::string> calls;  // every call; a Release only when it released something
  std::vector<tesso::TextureDesc> staging_descs;
  std::vector<std::string> misuse;
  const std::set<tesso::DxgiObject>& held() const { return held_; }
  // Drops the records, keeping the objects held.
  void ClearRecords() {
    calls.clear();
    staging_descs.clear();
  }

  bool Holds(tesso::DxgiObject object) override;
  void Release(tesso::DxgiObject object) override;
  int32_t CreateFactory() override;
  int32_t EnumAdapters1(uint32_t index) override;
  int32_t EnumOutputs(uint32_t index) override;
  int32_t GetOutputDesc(tesso::OutputDesc* desc) override;
  int32_t D3D11CreateDevice(uint32_t driver_type, uint32_t flags, uint32_t sdk_version) override;
  int32_t QueryOutput1() override;
  int32_t DuplicateOutput() override;
  int32_t AcquireNextFrame(uint32_t timeout_ms, int64_t* last_present_time) override;
  int32_t ReleaseFrame() override;
  int32_t QueryDesktopTexture() override;
  void GetDesktopTextureDesc(tesso::TextureDesc* desc) override;
  int32_t CreateStagingTexture(const tesso::TextureDesc& desc) override;
  void CopyResource() override;
  int32_t Map(uint32_t subresource, uint32_t map_type, uint32_t map_flags,
              tesso::MappedTexture* mapped) override;
  void Unmap(uint32_t subresource) override;

 private:
  // Records a protocol fault unless every object is held.
  void Need(const std::string& call, std::initializer_list<tesso::DxgiObject> objects);
  int32_t Answer(std::deque<int32_t>* script);
  void Hold(tesso::DxgiObject object) { held_.insert(object); }

  FakeTickClock* clock_;
  std::set<tesso::DxgiObject> held_;
  uint32_t adapter_ = 0;
  uint32_t output_ = 0;
  bool frame_acquired_ = false;
  bool mapped_ = false;
  tesso::TextureDesc staging_desc_;
  std::vector<uint8_t> staging_;  // the copy, rows row_pitch apart
};

const char* DxgiObjectName(tesso::DxgiObject object);

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_DUPLICATION_PORT_H_
