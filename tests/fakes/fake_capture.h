// The capture engine's fakes: its ports log each call as a short line into one list and answer
// from scripts; a ScreenCapture made of them (one primary 64 x 48 monitor, kFakeMonitor, that
// GDI shows, no duplication adapter, the user's desktop, a clock that stands still); and a
// log that several threads append to, with the COM seam that writes there.
#ifndef TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
#define TESSO_TESTS_FAKES_FAKE_CAPTURE_H_

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "desktop_host/com_apartment.h"
#include "desktop_host/duplication_port.h"
#include "desktop_host/frame_encoder.h"
#include "desktop_host/gdi_port.h"
#include "desktop_host/jpeg_encoder_port.h"
#include "desktop_host/screen_capture.h"
#include "desktop_host/tick_clock.h"
#include "input/input_desktop_guard.h"
#include "tests/fakes/fake_display_port.h"
#include "tests/fakes/fake_session_port.h"

namespace tesso_test {

constexpr uintptr_t kFakeMonitor = 0x10001;
using CallLog = std::vector<std::string>;

// The calls in `log` as "call, call, ...", forgotten.
inline std::string TakeCalls(CallLog* log) {
  std::string text;
  for (const std::string& call : *log) text += (text.empty() ? "" : ", ") + call;
  log->clear();
  return text;
}

// Logs "<name> <arguments...>" and answers from `fail` (a call's name -> its answers in turn,
// 0 after them); the objects of a call that succeeds are held until dropped.
template <typename Object>
struct Recorder {
  template <typename... Arguments>
  int32_t Call(std::initializer_list<Object> objects, const char* name, const Arguments&... args) {
    std::ostringstream line;
    ((line << name), ..., (line << ' ' << args));
    log->push_back(line.str());
    std::deque<int32_t>& answers = fail[name];
    const int32_t hr = answers.empty() ? 0 : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (hr >= 0) held.insert(objects);
    return hr;
  }
  void Drop(Object object, const char* const* names) {
    if (held.erase(object) != 0) log->push_back(std::string("Release ") + names[int(object)]);
  }
  std::shared_ptr<CallLog> log;
  std::map<std::string, std::deque<int32_t>> fail;
  std::set<Object> held;
};

struct SharedLog {
  void Add(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
    changed_.notify_all();
  }
  // Waits until `count` lines are there; then returns them all.
  std::vector<std::string> Lines(size_t count = 0) const {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this, count] { return lines_.size() >= count; });
    return lines_;
  }
  mutable std::mutex mutex_;  // guards lines_
  mutable std::condition_variable changed_;
  std::vector<std::string> lines_;
};

// Answers CoInitializeEx as told; "ui" or "worker" tells the thread of a call.
struct FakeComApartment : tesso::ComApartment {
  FakeComApartment(SharedLog* lines, std::thread::id ui_thread) : log(lines), ui(ui_thread) {}
  int32_t CoInitializeEx(uint32_t coinit) override {
    log->Add("CoInitializeEx " + std::to_string(coinit) + Thread());
    return initialize_result;
  }
  void CoUninitialize() override { log->Add("CoUninitialize" + Thread()); }
  std::string Thread() const { return std::this_thread::get_id() == ui ? " ui" : " worker"; }
  SharedLog* log;
  std::thread::id ui;
  int32_t initialize_result = 0;  // set before the worker starts
};

// Reads `now`, then moves it on by `step`.
struct FakeTickClock : tesso::TickClock {
  uint64_t GetTickCount64() override { return (now += step) - step; }
  uint64_t now = 1000000, step = 0;
};

// Bytes that tell their place and the seed.
inline std::vector<uint8_t> Pixels(size_t count, uint8_t seed) {
  std::vector<uint8_t> pixels(count);
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>(i * 7 + seed);
  return pixels;
}

// Scripted adapters, outputs, frames and failures over a desktop of known pixels.
struct FakeDuplicationPort : tesso::DuplicationPort, Recorder<tesso::DxgiObject> {
  using O = tesso::DxgiObject;
  bool Holds(O object) override { return held.count(object) != 0; }
  void Release(O object) override {
    static const char* const kNames[] = {
        "Factory",       "Adapter",     "Output",          "Output1",        "Device",
        "DeviceContext", "Duplication", "DesktopResource", "DesktopTexture", "StagingTexture"};
    Drop(object, kNames);
  }
  int32_t CreateFactory() override { return Call({O::Factory}, "CreateFactory"); }
  int32_t EnumAdapters1(uint32_t index) override {
    return Find("EnumAdapters1", adapter = index, adapters.size(), O::Adapter);
  }
  int32_t EnumOutputs(uint32_t index) override {
    return Find("EnumOutputs", output = index, adapters[adapter].size(), O::Output);
  }
  int32_t GetOutputDesc(tesso::OutputDesc* desc) override {
    *desc = adapters[adapter][output];
    return Call({}, "GetOutputDesc");
  }
  int32_t D3D11CreateDevice(uint32_t type, uint32_t flags, uint32_t sdk) override {
    return Call({O::Device, O::DeviceContext}, "D3D11CreateDevice", type, flags, sdk);
  }
  int32_t QueryOutput1() override { return Call({O::Output1}, "QueryOutput1"); }
  int32_t DuplicateOutput() override { return Call({O::Duplication}, "DuplicateOutput"); }
  // Answers from `frames` ({HRESULT, LastPresentTime}); none left: a wait timeout, which
  // moves the clock on.
  int32_t AcquireNextFrame(uint32_t timeout, int64_t* last_present_time) override {
    if (frames.empty()) clock->now += timeout;
    if (frames.empty()) frames.push_back({tesso::kDxgiErrorWaitTimeout, 0});
    fail["AcquireNextFrame"] = {frames.front().first};
    *last_present_time = frames.front().second;
    frames.pop_front();
    return Call({O::DesktopResource}, "AcquireNextFrame", timeout);
  }
  int32_t ReleaseFrame() override { return Call({}, "ReleaseFrame"); }
  int32_t QueryDesktopTexture() override {
    return Call({O::DesktopTexture}, "QueryDesktopTexture");
  }
  void GetDesktopTextureDesc(tesso::TextureDesc* desc) override {
    *desc = desktop;
    Call({}, "GetDesktopTextureDesc");
  }
  int32_t CreateStagingTexture(const tesso::TextureDesc& desc) override {
    staging = desc;
    return Call({O::StagingTexture}, "CreateStagingTexture");
  }
  // The copy's rows are `pitch` apart (0: packed), the gaps 0xEE.
  void CopyResource() override {
    const size_t row = desktop.width * 4, step = pitch != 0 ? pitch : row;
    copy.assign(std::max(step, row) * desktop.height, 0xEE);
    for (size_t y = 0; y < desktop.height; ++y) {
      std::memcpy(&copy[y * step], &screen[y * row], row);
    }
    Call({}, "CopyResource");
  }
  int32_t Map(uint32_t subresource, uint32_t type, uint32_t flags,
              tesso::MappedTexture* mapped) override {
    *mapped = {copy.data(), pitch != 0 ? pitch : desktop.width * 4};
    return Call({}, "Map", subresource, type, flags);
  }
  void Unmap(uint32_t subresource) override { Call({}, "Unmap", subresource); }
  // DXGI_ERROR_NOT_FOUND past the last of `count`.
  int32_t Find(const char* call, uint32_t index, size_t count, O object) {
    if (index >= count) fail[call] = {tesso::kDxgiErrorNotFound};
    return Call({object}, call, index);
  }

  FakeTickClock* clock;
  std::vector<std::vector<tesso::OutputDesc>> adapters;  // the outputs of each
  std::deque<std::pair<int32_t, int64_t>> frames;
  tesso::TextureDesc desktop = {64, 48, 1, 1, 87, 1}, staging;  // staging: the last one made
  std::vector<uint8_t> screen = Pixels(64 * 48 * 4, 5), copy;   // screen: rows packed
  uint32_t pitch = 0, adapter = 0, output = 0;
};

// A screen of known pixels (rows packed, its left edge at `left`) that BitBlt copies from;
// handles are numbered 1, 2, ... (100 is a memory context's stock bitmap, 0 a failure) and
// held until deleted or released.
struct FakeGdiPort : tesso::GdiPort, Recorder<int> {
  using Dc = tesso::DcHandle;
  using Object = tesso::GdiObjectHandle;
  Dc GetDC(tesso::WindowHandle window) override { return Dc(Give("GetDC", uintptr_t(window))); }
  Dc CreateCompatibleDC(Dc dc) override {
    selected = 100;
    return Dc(Give("CreateCompatibleDC", uintptr_t(dc)));
  }
  Object CreateDIBSection(Dc dc, const tesso::BitmapInfoHeader& info, uint32_t usage,
                          uint8_t** bits) override {
    header = info;
    section.assign(size_t(info.width) * size_t(std::abs(info.height)) * 4, 0xCD);
    *bits = section.data();
    return Object(Give("CreateDIBSection", uintptr_t(dc), uintptr_t(usage)));
  }
  Object SelectObject(Dc dc, Object object) override {
    const uintptr_t previous = selected;
    selected = uintptr_t(object);
    Call({}, "SelectObject", uintptr_t(dc), uintptr_t(object), "->", previous);
    return Object(previous);
  }
  bool BitBlt(Dc to, int32_t x, int32_t y, int32_t w, int32_t h, Dc from, int32_t from_x,
              int32_t from_y, uint32_t rop) override {
    char hex[16];
    std::snprintf(hex, sizeof(hex), "%08X", rop);
    if (on_bitblt) on_bitblt();
    for (int32_t row = 0; row < h; ++row) {
      const size_t start = size_t(from_y + row) * width + size_t(from_x - left);
      std::memcpy(&section[size_t(y + row) * w * 4], &screen[start * 4], size_t(w) * 4);
    }
    return Call({}, "BitBlt", uintptr_t(to), x, y, w, h, uintptr_t(from), from_x, from_y, hex) >= 0;
  }
  bool GdiFlush() override { return Call({}, "GdiFlush") >= 0; }
  bool DeleteObject(Object object) override {
    held.erase(int(object));
    return Call({}, "DeleteObject", uintptr_t(object)) >= 0;
  }
  bool DeleteDC(Dc dc) override {
    held.erase(int(dc));
    return Call({}, "DeleteDC", uintptr_t(dc)) >= 0;
  }
  int32_t ReleaseDC(tesso::WindowHandle window, Dc dc) override {
    held.erase(int(dc));
    return Call({}, "ReleaseDC", uintptr_t(window), uintptr_t(dc)) >= 0;
  }
  // Logs the call with the handle it gives.
  template <typename... Arguments>
  uintptr_t Give(const char* name, const Arguments&... args) {
    const uintptr_t handle = Call({}, name, args...) < 0 ? 0 : next++;
    log->back() += " -> " + std::to_string(handle);
    if (handle != 0) held.insert(int(handle));
    return handle;
  }

  int32_t left = 0, width = 0;
  std::vector<uint8_t> screen, section;
  std::function<void()> on_bitblt;
  tesso::BitmapInfoHeader header;  // the last section's
  uintptr_t next = 1, selected = 0;
};

// Its "JPEG" is the text "JPEG <w>x<h> q<quality> s<subsampling>" of what the frame was told;
// GUIDs are logged as data1:data4[7].
struct FakeJpegEncoderPort : tesso::JpegEncoderPort, Recorder<tesso::WicObject> {
  using O = tesso::WicObject;
  bool Holds(O object) override { return held.count(object) != 0; }
  void Release(O object) override {
    static const char* const kNames[] = {"WicFactory", "Bitmap", "Converter",  "Stream",
                                         "Encoder",    "Frame",  "PropertyBag"};
    Drop(object, kNames);
  }
  int32_t CoCreateInstance(const tesso::Guid& id, uint32_t context,
                           const tesso::Guid& interface_id) override {
    return Call({O::Factory}, "CoCreateInstance", G(id), context, G(interface_id));
  }
  int32_t CreateBitmapFromMemory(uint32_t w, uint32_t h, const tesso::Guid& format, uint32_t stride,
                                 uint32_t bytes, const uint8_t* data) override {
    pixels.assign(data, data + bytes);
    return Call({O::Bitmap}, "CreateBitmapFromMemory", w, h, G(format), stride, bytes);
  }
  int32_t CreateFormatConverter() override { return Call({O::Converter}, "CreateFormatConverter"); }
  int32_t InitializeConverter(O source, const tesso::Guid& format, uint32_t dither, double alpha,
                              uint32_t palette) override {
    return Call({}, "InitializeConverter", int(source), G(format), dither, alpha, palette);
  }
  int32_t CreateStreamOnHGlobal(bool delete_on_release) override {
    return Call({O::Stream}, "CreateStreamOnHGlobal", delete_on_release);
  }
  int32_t CreateEncoder(const tesso::Guid& container) override {
    return Call({O::Encoder}, "CreateEncoder", G(container));
  }
  int32_t InitializeEncoder(uint32_t cache) override {
    return Call({}, "InitializeEncoder", cache);
  }
  int32_t CreateNewFrame() override { return Call({O::Frame, O::PropertyBag}, "CreateNewFrame"); }
  int32_t WriteOption(const std::u16string& name, const tesso::OptionValue& value) override {
    const bool is_quality = name == u"ImageQuality";
    (is_quality ? quality : subsampling) = value;
    return Call({}, "WriteOption", is_quality ? "q" : "s", int(value.type), value.r4,
                int(value.ui1));
  }
  int32_t InitializeFrame() override { return Call({}, "InitializeFrame"); }
  int32_t SetSize(uint32_t w, uint32_t h) override {
    size = std::to_string(w) + "x" + std::to_string(h);
    return Call({}, "SetSize", size);
  }
  int32_t SetPixelFormat(tesso::Guid* format) override {
    const std::string asked = G(*format);
    *format = tesso::Guid();  // the encoder's own choice
    return Call({}, "SetPixelFormat", asked);
  }
  int32_t WriteSource(O source) override { return Call({}, "WriteSource", int(source)); }
  int32_t CommitFrame() override { return Call({}, "CommitFrame"); }
  int32_t CommitEncoder() override {
    std::ostringstream text;
    text << "JPEG " << size << " q" << quality.r4 << " s" << int(subsampling.ui1);
    file = text.str();
    return Call({}, "CommitEncoder");
  }
  int32_t Stat(uint32_t flags, uint64_t* bytes) override {
    *bytes = file.size();
    return Call({}, "Stat", flags);
  }
  int32_t Seek(int64_t offset, uint32_t origin) override {
    return Call({}, "Seek", offset, origin);
  }
  int32_t Read(uint8_t* buffer, uint32_t count, uint32_t* read) override {
    *read = std::min<uint32_t>(count, uint32_t(file.size()));
    std::copy(file.begin(), file.begin() + *read, buffer);
    return Call({}, "Read", count);
  }
  static std::string G(const tesso::Guid& guid) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X:%02X", guid.data1, guid.data4[7]);
    return text;
  }

  std::vector<uint8_t> pixels;  // the last bitmap's
  std::string size, file;
  tesso::OptionValue quality, subsampling;
};

// Logs "<name> Encode <w>x<h> <stride> <quality>" and "Release <name>" (when it encoded since
// the last release); its "JPEG" is the text "JPEG <w>x<h> q<quality> s<3 for 4:4:4, else 1>".
// Fails the next `fail` encodings.
struct FakeFrameEncoder : tesso::FrameEncoder {
  explicit FakeFrameEncoder(std::shared_ptr<CallLog> calls, std::string label = "Encoder")
      : log(std::move(calls)), name(std::move(label)) {}
  bool Encode(const uint8_t* data, int32_t width, int32_t height, int32_t stride, float quality,
              std::vector<uint8_t>* bytes) override {
    std::ostringstream call, file;
    call << name << " Encode " << width << "x" << height << " " << stride << " " << quality;
    log->push_back(call.str());
    held = true;
    pixels.assign(data, data + size_t(stride) * height);
    if (fail > 0) return --fail, false;
    file << "JPEG " << width << "x" << height << " q" << quality << " s"
         << (quality >= 0.75f ? 3 : 1);
    const std::string text = file.str();
    bytes->assign(text.begin(), text.end());
    return true;
  }
  void Release() override {
    if (held) log->push_back("Release " + name);
    held = false;
  }
  std::shared_ptr<CallLog> log;
  std::string name;
  bool held = false;
  int fail = 0;
  std::vector<uint8_t> pixels;  // the last picture's
};

struct FakeCapture {
  explicit FakeCapture(bool dxgi_allowed = true) {
    auto ports = std::make_unique<tesso::CapturePorts>();
    ports->clock.reset(clock = new FakeTickClock);
    ports->duplication.reset(duplication = new FakeDuplicationPort);
    ports->gdi.reset(gdi = new FakeGdiPort);
    ports->encoder.reset(encoder = new FakeFrameEncoder(log));
    ports->display.reset(display = new FakeDisplayPort);
    ports->session.reset(session = new FakeSessionPort);
    duplication->log = gdi->log = log;
    duplication->clock = clock;
    SetDisplay(64, 48);
    capture = std::make_unique<tesso::ScreenCapture>(dxgi_allowed, std::move(ports));
  }
  // One primary monitor of width x height at (0, 0), which GDI shows.
  void SetDisplay(int32_t width, int32_t height, uintptr_t monitor = kFakeMonitor) {
    display->monitors = {Monitor(monitor, 0, 0, width, height, true)};
    gdi->width = width;
    gdi->screen = Pixels(size_t(width) * height * 4, 1);
  }
  // Makes the guard find `state`; session flags 0 is WTS_SESSIONSTATE_LOCK.
  void SetDesktop(tesso::InputDesktopState state) {
    using State = tesso::InputDesktopState;
    session->desktop_name = state == State::NormalDesktop ? u"Default" : u"Winlogon";
    session->session = tesso::SessionInfoEx{1, state == State::SessionLocked ? 0 : 1};
  }
  // The calls so far as "call, call, ...", forgotten.
  std::string Take() { return TakeCalls(log.get()); }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  FakeTickClock* clock;
  FakeDuplicationPort* duplication;
  FakeGdiPort* gdi;
  FakeFrameEncoder* encoder;
  FakeDisplayPort* display;
  FakeSessionPort* session;
  std::unique_ptr<tesso::ScreenCapture> capture;  // owns the fakes above
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_CAPTURE_H_
