// ScreenCapture against scripted ports: the duplication protocol with its retries and
// back-off, change detection, the GDI fallback and what is released when.
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/row_copy.h"
#include "desktop_host/screen_capture.h"
#include "tests/fakes/fake_capture.h"

namespace tesso_test {
namespace {

using tesso::MonitorHandle;

constexpr int32_t kENotImpl = static_cast<int32_t>(0x80004001u);
const std::string kSetUp =
    "CreateFactory, EnumAdapters1 0, EnumOutputs 0, GetOutputDesc, D3D11CreateDevice 0 0 7, "
    "QueryOutput1, DuplicateOutput, Release Output1, Release Output, Release Adapter, "
    "Release Factory, ";
const std::string kTexture = "QueryDesktopTexture, GetDesktopTextureDesc, ";
const std::string kCopy =
    "CopyResource, ReleaseFrame, Map 0 1 0, Unmap 0, Release DesktopTexture, "
    "Release DesktopResource";
const std::string kDeviceGone = "Release Duplication, Release DeviceContext, Release Device, ";
const std::string kFrameGone = "Release DesktopTexture, Release DesktopResource";
const std::string kGdi =
    ", GetDC 0 -> 1, CreateCompatibleDC 1 -> 2, CreateDIBSection 1 0 -> 3, "
    "SelectObject 2 3 -> 100, BitBlt 2 0 0 64 48 1 0 0 40CC0020, GdiFlush, "
    "SelectObject 2 100 -> 3, DeleteObject 3, DeleteDC 2, ReleaseDC 0 1";

// Duplication shows the monitor in pattern 5, GDI in pattern 1.
class ScreenCaptureTest : public ::testing::Test {
 public:
  void SetUp() override { Reset(); }
  void Reset(bool dxgi_allowed = true) {
    f_ = FakeCapture(dxgi_allowed);
    f_.duplication->adapters = {{{MonitorHandle{kFakeMonitor}, 1}, {MonitorHandle{7}, 1}}};
    f_.duplication->SetDesktop(64, 48, 5);
    display_ = {MonitorHandle{kFakeMonitor}, 0, 0, 64, 48, true};
  }
  // Captures; the calls it made.
  std::string Capture(bool succeeds = true) {
    EXPECT_EQ(f_.capture->CaptureDisplay(display_, &changed_), succeeds);
    return f_.Take();
  }

  FakeCapture f_;
  tesso::DisplayInfo display_;
  bool changed_ = false;
};

TEST_F(ScreenCaptureTest, FirstFrameFindsTheMonitorsOutputAndCopiesItThroughAStagingTexture) {
  // Adapter 0 shows another monitor; adapter 1's first output cannot describe itself.
  f_.duplication->adapters = {{{MonitorHandle{7}, 1}}, {{}, {MonitorHandle{kFakeMonitor}, 1}}};
  f_.duplication->fail["GetOutputDesc"] = {0, kENotImpl};
  f_.duplication->frames = {{0, 1}};
  EXPECT_EQ(Capture(),
            "CreateFactory, EnumAdapters1 0, EnumOutputs 0, GetOutputDesc, EnumOutputs 1, "
            "EnumAdapters1 1, EnumOutputs 0, GetOutputDesc, EnumOutputs 1, GetOutputDesc, "
            "D3D11CreateDevice 0 0 7, QueryOutput1, DuplicateOutput, Release Output1, "
            "Release Output, Release Adapter, Release Factory, AcquireNextFrame 200, " +
                kTexture + "CreateStagingTexture, " + kCopy);
  tesso::TextureDesc staging = f_.duplication->desktop;
  staging.usage = 3;
  staging.cpu_access_flags = 0x20000;
  EXPECT_EQ(f_.duplication->staging, staging);
  EXPECT_TRUE(changed_);
  EXPECT_STREQ(f_.capture->GetBackendName(), "dxgi");
  EXPECT_EQ(f_.capture->raw_image().pixels, f_.duplication->screen);
}

TEST_F(ScreenCaptureTest, LaterCapturesPollWithoutWaiting) {
  const struct {
    const char* name;
    std::function<void(ScreenCaptureTest*)> script;
    bool changed;
    std::string calls;
  } cases[] = {
      {"nothing new", [](ScreenCaptureTest*) {}, false, "AcquireNextFrame 0"},
      {"pointer only",
       [](ScreenCaptureTest* t) {
         t->f_.duplication->frames = {{0, 0}};
       },
       false, "AcquireNextFrame 0, ReleaseFrame, Release DesktopResource"},
      {"same pixels",
       [](ScreenCaptureTest* t) {
         t->f_.duplication->frames = {{0, 1}};
       },
       false, "AcquireNextFrame 0, " + kTexture + kCopy},
      {"last byte changed",
       [](ScreenCaptureTest* t) {
         t->f_.duplication->frames = {{0, 1}};
         t->f_.duplication->screen.back() ^= 1;
       },
       true, "AcquireNextFrame 0, " + kTexture + kCopy},
      {"padded rows",
       [](ScreenCaptureTest* t) {
         t->f_.duplication->frames = {{0, 1}};
         t->f_.duplication->pitch = 64 * 4 + 32;
         t->f_.duplication->screen[0] ^= 1;
       },
       true, "AcquireNextFrame 0, " + kTexture + kCopy},
      {"another monitor",
       [](ScreenCaptureTest* t) {
         t->f_.duplication->frames = {{0, 1}};
         t->display_.monitor = MonitorHandle{7};
       },
       true,
       "Release Duplication, Release StagingTexture, Release DeviceContext, Release Device, "
       "CreateFactory, EnumAdapters1 0, EnumOutputs 0, GetOutputDesc, EnumOutputs 1, "
       "GetOutputDesc, D3D11CreateDevice 0 0 7, QueryOutput1, DuplicateOutput, Release Output1, "
       "Release Output, Release Adapter, Release Factory, AcquireNextFrame 200, " +
           kTexture + "CreateStagingTexture, " + kCopy},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    f_.duplication->frames = {{0, 1}};
    Capture();
    c.script(this);
    EXPECT_EQ(Capture(), c.calls);
    EXPECT_EQ(changed_, c.changed);
    EXPECT_STREQ(f_.capture->GetBackendName(), "dxgi");
    EXPECT_EQ(f_.capture->raw_image().pixels, f_.duplication->screen);
  }
}

TEST_F(ScreenCaptureTest, EachDuplicationOutcomeRetriesFallsBackOrBacksOff) {
  using Script = std::function<void(FakeCapture*)>;
  const std::string refused = "AcquireNextFrame 200, " + kTexture + "CreateStagingTexture, ";
  const std::string until_map = refused + "CopyResource, ReleaseFrame, Map 0 1 0, ";
  struct Case {
    std::string name;
    Script script;
    std::string calls;  // " gdi" at the end: the picture came from GDI
    bool backed_off;    // the next capture, at the same time, skips duplication
  };
  std::vector<Case> cases = {
      {"no first frame within 200 ms", [](FakeCapture*) {}, kSetUp + "AcquireNextFrame 200" + kGdi,
       false},
      {"pointer updates, then a frame",
       [](FakeCapture* f) {
         f->clock->step = 50;
         f->duplication->frames = {{0, 0}, {0, 1}};
       },
       kSetUp + "AcquireNextFrame 150, ReleaseFrame, Release DesktopResource, " +
           "AcquireNextFrame 100, " + kTexture + "CreateStagingTexture, " + kCopy,
       false},
      {"access lost rebuilds the device",
       [](FakeCapture* f) {
         f->duplication->frames = {{tesso::kDxgiErrorAccessLost, 1}, {0, 1}};
       },
       kSetUp + "AcquireNextFrame 200, " + kDeviceGone + kSetUp + "AcquireNextFrame 200, " +
           kTexture + "CreateStagingTexture, " + kCopy,
       false},
      {"a format other than 87",
       [](FakeCapture* f) {
         f->duplication->frames = {{0, 1}};
         f->duplication->desktop.format = 28;
       },
       kSetUp + "AcquireNextFrame 200, " + kTexture + "ReleaseFrame, " + kDeviceGone + kFrameGone +
           kGdi,
       true},
      {"staging texture refused twice",
       [](FakeCapture* f) {
         f->duplication->frames = {{0, 1}, {0, 1}};
         f->duplication->fail["CreateStagingTexture"] = {kENotImpl, kENotImpl};
       },
       kSetUp + refused + "ReleaseFrame, " + kDeviceGone + kFrameGone + ", " + kSetUp + refused +
           "ReleaseFrame, " + kDeviceGone + kFrameGone + kGdi,
       false},
      {"map refused once",
       [](FakeCapture* f) {
         f->duplication->frames = {{0, 1}, {0, 1}};
         f->duplication->fail["Map"] = {kENotImpl};
       },
       kSetUp + until_map +
           "Release Duplication, Release StagingTexture, Release DeviceContext, "
           "Release Device, " +
           kFrameGone + ", " + kSetUp + until_map + "Unmap 0, " + kFrameGone,
       false},
      {"no adapter", [](FakeCapture* f) { f->duplication->adapters.clear(); },
       "CreateFactory, EnumAdapters1 0, Release Factory" + kGdi, true},
  };
  const std::string set_up_failed = kSetUp + "Release DeviceContext, Release Device";
  for (const int32_t hr : {tesso::kEAccessDenied, tesso::kDxgiErrorAccessLost,
                           tesso::kDxgiErrorSessionDisconnected, kENotImpl}) {
    const bool transient = hr != kENotImpl;
    cases.push_back({"DuplicateOutput " + std::to_string(hr),
                     [hr](FakeCapture* f) {
                       f->duplication->fail["DuplicateOutput"] = {hr, hr};
                     },
                     set_up_failed + (transient ? ", " + set_up_failed : "") + kGdi, !transient});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    c.script(&f_);
    EXPECT_EQ(Capture(), c.calls);
    EXPECT_TRUE(changed_);
    const bool gdi = c.calls.find("GetDC") != std::string::npos;
    EXPECT_STREQ(f_.capture->GetBackendName(), gdi ? "gdi" : "dxgi");
    EXPECT_EQ(f_.capture->raw_image().pixels, gdi ? f_.gdi->screen : f_.duplication->screen);
    f_.duplication->frames.clear();
    EXPECT_EQ(Capture().rfind("GetDC", 0) == 0, c.backed_off);
  }
}

TEST_F(ScreenCaptureTest, ARotatedOutputIsBackedOffFor30Seconds) {
  for (uint32_t rotation : {2u, 3u, 4u}) {
    SCOPED_TRACE(rotation);
    Reset();
    f_.duplication->adapters[0][0].rotation = rotation;
    EXPECT_EQ(Capture(),
              "CreateFactory, EnumAdapters1 0, EnumOutputs 0, GetOutputDesc, Release Output, "
              "Release Adapter, Release Factory" +
                  kGdi);
    f_.clock->now += 29999;
    EXPECT_EQ(Capture().rfind("GetDC", 0), 0u);
    f_.clock->now += 1;
    f_.duplication->adapters[0][0].rotation = 1;
    f_.duplication->frames = {{0, 1}};
    EXPECT_EQ(Capture().rfind(kSetUp, 0), 0u);
    EXPECT_STREQ(f_.capture->GetBackendName(), "dxgi");
  }
}

TEST_F(ScreenCaptureTest, GdiCopiesTheDisplaysRectangleAndTellsAChange) {
  Reset(/*dxgi_allowed=*/false);
  f_.gdi->left = -8;
  f_.gdi->width = 40;
  f_.gdi->screen = Pixels(40 * 30 * 4, 9);
  display_ = {MonitorHandle{kFakeMonitor}, 10, 20, 14, 22, false};
  EXPECT_EQ(Capture(),
            "GetDC 0 -> 1, CreateCompatibleDC 1 -> 2, CreateDIBSection 1 0 -> 3, "
            "SelectObject 2 3 -> 100, BitBlt 2 0 0 4 2 1 10 20 40CC0020, GdiFlush, "
            "SelectObject 2 100 -> 3, DeleteObject 3, DeleteDC 2, ReleaseDC 0 1");
  const tesso::BitmapInfoHeader header = {40, 4, -2, 1, 32};
  EXPECT_EQ(f_.gdi->header, header);
  std::vector<uint8_t> expected;
  for (int row = 20; row < 22; ++row) {
    const auto start = f_.gdi->screen.begin() + (row * 40 + 18) * 4;
    expected.insert(expected.end(), start, start + 16);
  }
  EXPECT_EQ(f_.capture->raw_image().pixels, expected);
  EXPECT_TRUE(changed_);
  Capture();
  EXPECT_FALSE(changed_);
  f_.gdi->screen[(21 * 40 + 21) * 4] ^= 1;
  Capture();
  EXPECT_TRUE(changed_);
}

TEST_F(ScreenCaptureTest, AFailedGdiCopyGivesBackWhatItTookAndKeepsThePicture) {
  const struct {
    const char* fail;
    int32_t right;
    std::string calls;
  } cases[] = {
      {"", 0, ""},
      {"GetDC", 64, "GetDC 0 -> 0"},
      {"CreateCompatibleDC", 64, "GetDC 0 -> 4, CreateCompatibleDC 4 -> 0, ReleaseDC 0 4"},
      {"CreateDIBSection", 64,
       "GetDC 0 -> 4, CreateCompatibleDC 4 -> 5, CreateDIBSection 4 0 -> 0, DeleteDC 5, "
       "ReleaseDC 0 4"},
      {"NoBits", 64,
       "GetDC 0 -> 4, CreateCompatibleDC 4 -> 5, CreateDIBSection 4 0 -> 6, DeleteObject 6, "
       "DeleteDC 5, ReleaseDC 0 4"},
      {"BitBlt", 64,
       "GetDC 0 -> 4, CreateCompatibleDC 4 -> 5, CreateDIBSection 4 0 -> 6, "
       "SelectObject 5 6 -> 100, BitBlt 5 0 0 64 48 4 0 0 40CC0020, GdiFlush, "
       "SelectObject 5 100 -> 6, DeleteObject 6, DeleteDC 5, ReleaseDC 0 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fail);
    Reset(/*dxgi_allowed=*/false);
    Capture();
    f_.gdi->screen[0] ^= 1;
    f_.gdi->fail = c.fail;
    display_.right = c.right;
    EXPECT_EQ(Capture(/*succeeds=*/false), c.calls);
    EXPECT_FALSE(changed_);
    EXPECT_EQ(f_.capture->raw_image().pixels[0], f_.gdi->screen[0] ^ 1);
  }
}

TEST_F(ScreenCaptureTest, ReleaseAllAndDestructionLetGoOfTheDevice) {
  f_.duplication->frames = {{0, 1}};
  Capture();
  f_.capture->ReleaseAll();
  EXPECT_EQ(f_.Take(),
            "Release Duplication, Release StagingTexture, Release DeviceContext, Release Device");
  EXPECT_THAT(f_.capture->raw_image().pixels, ::testing::IsEmpty());
  f_.duplication->adapters.clear();  // backs the monitor off, until ReleaseAll
  Capture();
  f_.capture->ReleaseAll();
  EXPECT_EQ(Capture().rfind("CreateFactory, EnumAdapters1 0, Release Factory, GetDC", 0), 0u);
  Reset();
  f_.duplication->frames = {{0, 1}};
  Capture();
  f_.jpeg->held.insert(tesso::WicObject::Factory);
  f_.capture.reset();
  EXPECT_EQ(f_.Take(),
            "Release StagingTexture, Release Duplication, Release DeviceContext, Release Device, "
            "Release WicFactory");
}

// Rows of 2 bytes; the source's rows 3 bytes apart (the third byte is padding, 9).
TEST(CopyChangedRowsTest, TellsAChangeAndLeavesEveryRowEqualToTheSource) {
  const std::vector<uint8_t> source = {1, 2, 9, 3, 4, 9, 5, 6, 9};
  const struct {
    std::vector<uint8_t> destination;
    bool changed_before;
    bool changed;
  } cases[] = {{{1, 2, 3, 4, 5, 6}, false, false},
               {{0, 2, 3, 4, 5, 6}, false, true},
               {{1, 2, 3, 4, 5, 0}, false, true},
               {{1, 2, 3, 4, 5, 6}, true, true}};
  for (auto c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.destination));
    EXPECT_EQ(
        tesso::CopyChangedRows(source.data(), 3, 2, 3, c.changed_before, c.destination.data()),
        c.changed);
    EXPECT_THAT(c.destination, ::testing::ElementsAre(1, 2, 3, 4, 5, 6));
  }
}

}  // namespace
}  // namespace tesso_test
