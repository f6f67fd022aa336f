// The capture engine against scripted ports. ScreenCapture: duplication with its retries and
// back-off, change detection, the GDI fallback and crop, and what is released when.
// CaptureFrame: output size, scaling and quality, the JPEG cache, and the desktop guard around
// the picture.
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "desktop_host/capture_frame.h"
#include "desktop_host/screen_capture.h"
#include "tests/fakes/fake_capture.h"

namespace tesso_test {
namespace {

using tesso::MonitorHandle;
using Script = std::function<void(FakeCapture*, tesso::DisplayInfo*)>;

const int32_t kENotImpl = static_cast<int32_t>(0x80004001u), kLost = tesso::kDxgiErrorAccessLost;
const std::string kSearch = "CreateFactory, EnumAdapters1 0, EnumOutputs 0, GetOutputDesc, ";
const std::string kSetUp =
    kSearch +
    "D3D11CreateDevice 0 0 7, QueryOutput1, DuplicateOutput, Release Output1, "
    "Release Output, Release Adapter, Release Factory, ";
const std::string kCopy =
    "CopyResource, ReleaseFrame, Map 0 1 0, Unmap 0, Release DesktopTexture, "
    "Release DesktopResource";
const std::string kNew =
    "QueryDesktopTexture, GetDesktopTextureDesc, CreateStagingTexture, " + kCopy;
const std::string kDeviceGone = "Release Duplication, Release DeviceContext, Release Device, ";
const std::string kGdi =
    ", GetDC 0 -> 1, CreateCompatibleDC 1 -> 2, CreateDIBSection 1 0 -> 3, "
    "SelectObject 2 3 -> 100, BitBlt 2 0 0 64 48 1 0 0 40CC0020, GdiFlush";
const std::string kGdiGone = "SelectObject 2 100 -> 3, DeleteObject 3, DeleteDC 2, ReleaseDC 0 1";

// Duplication shows kFakeMonitor on output 0 and monitor 7 on output 1 of adapter 0.
class ScreenCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void Reset(bool dxgi_allowed = true) {
    f_ = FakeCapture(dxgi_allowed);
    f_.duplication->adapters = {{{MonitorHandle{kFakeMonitor}, 1}, {MonitorHandle{7}, 1}}};
    display_ = {MonitorHandle{kFakeMonitor}, 0, 0, 64, 48, true};
  }
  // Captures; the calls it made.
  std::string Capture() {
    EXPECT_TRUE(f_.capture->CaptureDisplay(display_, &changed_));
    return f_.Take();
  }

  FakeCapture f_;
  tesso::DisplayInfo display_;
  bool changed_ = false;
};

TEST_F(ScreenCaptureTest, AFirstCaptureDuplicatesRetriesOrFallsBackToGdi) {
  struct Case {
    std::string name;
    Script script;
    std::string calls;  // ending in GDI's: the picture came from GDI
    bool backed_off;    // the next capture, at the same time, skips duplication
  };
  std::vector<Case> cases = {
      {"no first frame within 200 ms", [](auto, auto) {}, kSetUp + "AcquireNextFrame 200" + kGdi,
       false},
      {"pointer updates, then a frame",
       [](auto f, auto) {
         f->clock->step = 50;
         f->duplication->frames = {{0, 0}, {0, 1}};
       },
       kSetUp + "AcquireNextFrame 150, ReleaseFrame, Release DesktopResource, " +
           "AcquireNextFrame 100, " + kNew,
       false},
      {"pointer updates until the deadline",
       [](auto f, auto) {
         f->clock->step = 100, f->duplication->frames = {{0, 0}};
       },
       kSetUp + "AcquireNextFrame 100, ReleaseFrame, Release DesktopResource" + kGdi, false},
      {"access lost rebuilds the device",
       [](auto f, auto) {
         f->duplication->frames = {{kLost, 1}, {0, 1}};
       },
       kSetUp + "AcquireNextFrame 200, " + kDeviceGone + kSetUp + "AcquireNextFrame 200, " + kNew,
       false},
      {"a rotated output", [](auto f, auto) { f->duplication->adapters[0][0].rotation = 2; },
       kSearch + "Release Output, Release Adapter, Release Factory" + kGdi, true},
  };
  const std::string set_up_failed = kSetUp + "Release DeviceContext, Release Device";
  for (const int32_t hr :
       {tesso::kEAccessDenied, kLost, tesso::kDxgiErrorSessionDisconnected, kENotImpl}) {
    const bool transient = hr != kENotImpl;
    cases.push_back({"DuplicateOutput " + std::to_string(hr),
                     [hr](auto f, auto) {
                       f->duplication->fail["DuplicateOutput"] = {hr, hr};
                     },
                     set_up_failed + (transient ? ", " + set_up_failed : "") + kGdi, !transient});
  }
  const tesso::TextureDesc staging = {64, 48, 1, 1, 87, 1, 0, 3, 0, 0x20000};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    c.script(&f_, &display_);
    EXPECT_EQ(Capture(), c.calls);
    EXPECT_TRUE(changed_);
    const bool gdi = c.calls.find("GetDC") != std::string::npos;
    EXPECT_STREQ(f_.capture->GetBackendName(), gdi ? "gdi" : "dxgi");
    EXPECT_EQ(f_.capture->raw_image().pixels, gdi ? f_.gdi->screen : f_.duplication->screen);
    EXPECT_TRUE(gdi || f_.duplication->staging == staging);
    EXPECT_EQ(Capture().rfind("BitBlt", 0) == 0, c.backed_off);
  }
}

TEST_F(ScreenCaptureTest, RefusalsOnOneDisplayBackOffLongerUntilDuplicationWorksOrItChanges) {
  const struct {
    uint64_t at_ms;
    uintptr_t monitor;
    int32_t duplicate;  // what DuplicateOutput answers when it is tried
    bool tried;
  } cases[] = {
      {0, kFakeMonitor, kENotImpl, true},      {29999, kFakeMonitor, 0, false},
      {30000, kFakeMonitor, kENotImpl, true},  {89999, kFakeMonitor, 0, false},
      {90000, kFakeMonitor, kENotImpl, true},  {209999, kFakeMonitor, 0, false},
      {210000, kFakeMonitor, kENotImpl, true}, {449999, kFakeMonitor, 0, false},
      {450000, kFakeMonitor, kENotImpl, true}, {689999, kFakeMonitor, 0, false},
      {690000, kFakeMonitor, 0, true},         {690001, kFakeMonitor, kENotImpl, true},
      {720000, kFakeMonitor, 0, false},        {720001, 7, kENotImpl, true},
      {720002, kFakeMonitor, kENotImpl, true}, {750001, kFakeMonitor, 0, false},
      {750002, kFakeMonitor, kENotImpl, true}, {810001, kFakeMonitor, 0, false},
  };
  const uint64_t start = f_.clock->now;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.at_ms);
    f_.capture->ReleaseDevice();
    f_.clock->now = start + c.at_ms;
    f_.duplication->fail["DuplicateOutput"] = {c.duplicate};
    f_.duplication->frames = {{0, 1}};
    display_.monitor = MonitorHandle{c.monitor};
    EXPECT_EQ(Capture().find("DuplicateOutput") != std::string::npos, c.tried);
  }
  f_.capture->ReleaseAll();  // forgets the refusal
  f_.clock->now = start + 810001;
  EXPECT_NE(Capture().find("DuplicateOutput"), std::string::npos);
}

TEST_F(ScreenCaptureTest, ACaptureAfterADuplicatedFramePollsWithoutWaiting) {
  const struct {
    const char* name;
    Script script;
    std::string calls;
    bool changed;
  } cases[] = {
      {"nothing new", [](auto, auto) {}, "AcquireNextFrame 0", false},
      {"the same pixels",
       [](auto f, auto) {
         f->duplication->frames = {{0, 1}};
       },
       "AcquireNextFrame 0, QueryDesktopTexture, GetDesktopTextureDesc, " + kCopy, false},
      {"the first byte changed, rows apart",
       [](auto f, auto) {
         f->duplication->frames = {{0, 1}};
         f->duplication->pitch = 64 * 4 + 32;
         f->duplication->screen[0] ^= 1;
       },
       "AcquireNextFrame 0, QueryDesktopTexture, GetDesktopTextureDesc, " + kCopy, true},
      {"rows closer than a row is wide: the device is made again",
       [](auto f, auto) {
         f->duplication->frames = {{0, 1}}, f->duplication->pitch = 64 * 4 - 4;
       },
       "AcquireNextFrame 0, QueryDesktopTexture, GetDesktopTextureDesc, CopyResource, "
       "ReleaseFrame, Map 0 1 0, Unmap 0, Release Duplication, Release StagingTexture, " +
           kDeviceGone.substr(21) + "Release DesktopTexture, Release DesktopResource, " + kSetUp +
           "AcquireNextFrame 0",
       false},
      {"the widest texture a picture holds, with no rows",
       [](auto f, auto) {
         f->duplication->frames = {{0, 1}}, f->duplication->desktop = {INT32_MAX / 4, 0, 1, 1, 87};
         f->duplication->screen.clear();
       },
       "AcquireNextFrame 0, QueryDesktopTexture, GetDesktopTextureDesc, Release StagingTexture, "
       "CreateStagingTexture, " +
           kCopy,
       true},
      {"another monitor",
       [](auto f, auto display) {
         f->duplication->frames = {{0, 1}};
         display->monitor = MonitorHandle{7};
       },
       "Release Duplication, Release StagingTexture, Release DeviceContext, Release Device, " +
           kSearch + "EnumOutputs 1, GetOutputDesc, " + kSetUp.substr(kSearch.size()) +
           "AcquireNextFrame 200, " + kNew,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    f_.duplication->frames = {{0, 1}};
    Capture();
    c.script(&f_, &display_);
    EXPECT_EQ(Capture(), c.calls);
    EXPECT_EQ(changed_, c.changed);
    EXPECT_EQ(f_.capture->raw_image().pixels, f_.duplication->screen);
  }
}

TEST_F(ScreenCaptureTest, GdiKeepsItsObjectsForTheDisplayAndGivesThemBackOnEveryPath) {
  using Act = std::function<bool()>;
  const Act capture = [this] { return f_.capture->CaptureDisplay(display_, &changed_); };
  const std::string made = "GetDC 0 -> 4, CreateCompatibleDC 4 -> 5, CreateDIBSection 4 0 -> ";
  const std::string gone = kGdiGone + ", ";
  // With duplication set up, a staging texture and the encoder's objects as well.
  const Script held = [](auto f, auto) {
    f->duplication->held.insert(tesso::DxgiObject::StagingTexture);
    f->encoder->held = true;
  };
  const struct {
    const char* name;
    Script script;
    Act act;
    std::string calls;
    bool taken;  // a picture was taken: with GDI, the display's rectangle of the screen
  } cases[] = {
      {"the same display", [](auto f, auto) { f->gdi->screen[(20 * 40 + 18) * 4] ^= 1; }, capture,
       "BitBlt 2 0 0 4 2 1 10 20 40CC0020, GdiFlush", true},
      {"a wider display", [](auto, auto d) { d->right = 15; }, capture,
       gone + made + "6, SelectObject 5 6 -> 100, BitBlt 5 0 0 5 2 4 10 20 40CC0020, GdiFlush",
       true},
      {"another display", [](auto, auto d) { d->monitor = MonitorHandle{7}; }, capture,
       gone + made + "6, SelectObject 5 6 -> 100, BitBlt 5 0 0 4 2 4 10 20 40CC0020, GdiFlush",
       true},
      {"no section for a new size",
       [](auto f, auto d) {
         d->bottom = 23;
         f->gdi->fail["CreateDIBSection"] = {-1};
       },
       capture, gone + made + "0, DeleteDC 5, ReleaseDC 0 4", false},
      {"no memory context for another display",
       [](auto f, auto d) {
         d->monitor = MonitorHandle{7};
         f->gdi->fail["CreateCompatibleDC"] = {-1};
       },
       capture, gone + "GetDC 0 -> 4, CreateCompatibleDC 4 -> 0, ReleaseDC 0 4", false},
      {"no screen context for a wider display",
       [](auto f, auto d) { d->left = 9, f->gdi->fail["GetDC"] = {-1}; }, capture,
       gone + "GetDC 0 -> 0", false},
      {"a display of no width", [](auto, auto d) { d->right = 10; }, capture, "", false},
      {"a failed copy", [](auto f, auto) { f->gdi->fail["BitBlt"] = {-1}; }, capture,
       "BitBlt 2 0 0 4 2 1 10 20 40CC0020, GdiFlush, " + kGdiGone, false},
      {"pictures reset", {}, [this] { return f_.capture->ResetFrames(), false; }, kGdiGone, false},
      {"all released", held, [this] { return f_.capture->ReleaseAll(), false; },
       "Release Duplication, Release StagingTexture, " + kDeviceGone.substr(21) + kGdiGone +
           ", Release Encoder",
       false},
      {"destroyed", held, [this] { return f_.capture.reset(), false; },
       gone + "Release StagingTexture, " + kDeviceGone + "Release Encoder", false},
      {"a duplicated frame",
       [](auto f, auto) {
         f->duplication->frames = {{0, 1}};
       },
       capture, "AcquireNextFrame 0, " + kNew + ", " + kGdiGone, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool dxgi = c.calls.find("Release Device") != std::string::npos ||
                      c.calls.find("AcquireNextFrame") != std::string::npos;
    Reset(dxgi);
    f_.gdi->left = -8;
    f_.gdi->width = 40;
    f_.gdi->screen = Pixels(40 * 30 * 4, 9);
    display_ = {MonitorHandle{kFakeMonitor}, 10, 20, 14, 22, false};
    EXPECT_NE(Capture().find("BitBlt 2 0 0 4 2 1 10 20 40CC0020"), std::string::npos);
    EXPECT_EQ(f_.gdi->header, (tesso::BitmapInfoHeader{40, 4, -2, 1, 32}));
    if (c.script) c.script(&f_, &display_);
    EXPECT_EQ(c.act(), c.taken);
    EXPECT_EQ(f_.Take(), c.calls);
    // Compared and copied from the kept section, which BitBlt filled.
    EXPECT_TRUE(!c.taken || dxgi || f_.capture->raw_image().pixels == f_.gdi->section);
  }
}

using tesso::CaptureStatus;
using State = tesso::InputDesktopState;

class CaptureFrameTest : public ::testing::Test {
 protected:
  // The frame's size and its "JPEG", or the failure.
  std::string Capture(int32_t max_dimension = 0, double quality = 0.8) {
    tesso::ScreenCapture::Frame frame;
    const CaptureStatus status =
        tesso::CaptureFrame(*f_.capture, 0, max_dimension, quality, &frame);
    return std::to_string(static_cast<int>(status)) + " " + std::to_string(frame.width) + "x" +
           std::to_string(frame.height) + " #" + std::to_string(frame.sequence) + " " +
           std::string(frame.bytes.begin(), frame.bytes.end());
  }

  FakeCapture f_;
};

TEST_F(CaptureFrameTest, TheLongerSideBecomesTheMaximumAndTheQualityIsClamped) {
  const struct {
    int32_t width, height, max_dimension;
    double quality;
    const char* frame;
  } cases[] = {{3840, 2160, 1920, 0.8, "0 1920x1080 #1 JPEG 1920x1080 q0.8 s3"},
               {2560, 1440, 1000, 0.05, "0 1000x563 #2 JPEG 1000x563 q0.1 s1"},
               {1, 3000, 1000, 0.7499, "0 1x1000 #3 JPEG 1x1000 q0.7499 s1"},
               {48, 64, 32, 2.0, "0 24x32 #4 JPEG 24x32 q1 s3"},
               {64, 48, -5, NAN, "0 64x48 #5 JPEG 64x48 q0.8 s3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    f_.SetDisplay(c.width, c.height);
    EXPECT_EQ(Capture(c.max_dimension, c.quality), c.frame);
  }
  EXPECT_EQ(f_.encoder->pixels, f_.gdi->screen);
  // Smaller: the encoder gets the area averages (bytes 7i + 1 of a 4 x 2 screen), rows packed.
  f_.SetDisplay(4, 2);
  f_.Take();
  EXPECT_EQ(Capture(2), "0 2x1 #6 JPEG 2x1 q0.8 s3");
  const std::string calls = f_.Take();
  EXPECT_EQ(calls.substr(calls.rfind(", ") + 2), "Encoder Encode 2x1 8 0.8");
  EXPECT_EQ(f_.encoder->pixels, (std::vector<uint8_t>{71, 78, 85, 92, 127, 134, 141, 148}));
}

TEST_F(CaptureFrameTest, TheJpegIsKeptUntilThePictureOrTheSettingsChange) {
  EXPECT_EQ(Capture(), "0 64x48 #1 JPEG 64x48 q0.8 s3");
  EXPECT_EQ(Capture(), "0 64x48 #1 JPEG 64x48 q0.8 s3");
  EXPECT_EQ(Capture(0, 0.6), "0 64x48 #2 JPEG 64x48 q0.6 s1");
  EXPECT_EQ(Capture(0, 0.6000000001), "0 64x48 #2 JPEG 64x48 q0.6 s1");  // the same float
  EXPECT_EQ(Capture(32, 0.6), "0 32x24 #3 JPEG 32x24 q0.6 s1");
  f_.gdi->screen[5] ^= 1;
  EXPECT_EQ(Capture(32, 0.6), "0 32x24 #4 JPEG 32x24 q0.6 s1");
  f_.SetDisplay(64, 40);
  EXPECT_EQ(Capture(32, 0.6), "0 32x20 #5 JPEG 32x20 q0.6 s1");
  f_.capture->ReleaseAll();
  f_.encoder->fail = 1;
  EXPECT_EQ(Capture(32, 0.6), "3 0x0 #0 ");
  EXPECT_EQ(Capture(32, 0.6), "0 32x20 #6 JPEG 32x20 q0.6 s1");  // no JPEG was kept
}

TEST_F(CaptureFrameTest, ALockedOrSecureDesktopBeforeOrAfterThePictureKeepsNothing) {
  const struct {
    const char* name;
    State before, during;
    bool picture;
    std::string status;
  } cases[] = {
      {"locked", State::SessionLocked, State::SessionLocked, true, "1 0x0 #0 "},
      {"secure", State::SecureDesktop, State::SecureDesktop, true, "2 0x0 #0 "},
      {"locked during the picture", State::NormalDesktop, State::SessionLocked, true, "1 0x0 #0 "},
      {"secure during the picture", State::NormalDesktop, State::SecureDesktop, true, "2 0x0 #0 "},
      {"no picture, then locked", State::NormalDesktop, State::SessionLocked, false, "1 0x0 #0 "},
      {"no picture", State::NormalDesktop, State::NormalDesktop, false, "3 0x0 #0 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    f_ = FakeCapture();
    f_.duplication->adapters = {{{tesso::MonitorHandle{kFakeMonitor}, 1}}};
    f_.duplication->frames = {{0, 1}};
    ASSERT_EQ(Capture(), "0 64x48 #1 JPEG 64x48 q0.8 s3");
    f_.duplication->frames = {{tesso::kDxgiErrorAccessLost, 1}, {tesso::kDxgiErrorAccessLost, 1}};
    f_.SetDesktop(c.before);
    f_.gdi->on_bitblt = [this, &c] { f_.SetDesktop(c.during); };
    if (!c.picture) f_.gdi->fail["BitBlt"] = {-1};
    EXPECT_EQ(Capture(), c.status);
    EXPECT_TRUE(f_.duplication->held.empty() && f_.gdi->held.empty());
    EXPECT_TRUE(f_.capture->raw_image().pixels.empty());
    // Back on the user's desktop: a new device and a new JPEG.
    f_.SetDesktop(State::NormalDesktop);
    f_.duplication->frames = {{0, 1}};
    EXPECT_EQ(Capture(), "0 64x48 #2 JPEG 64x48 q0.8 s3");
  }
  f_.display->monitors.clear();
  EXPECT_EQ(Capture(), "3 0x0 #0 ");
}

}  // namespace
}  // namespace tesso_test
