// ScreenCapture: the duplication protocol, its retry and back-off rules, change detection and
// the GDI fallback, against scripted ports.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/row_copy.h"
#include "desktop_host/screen_capture.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_pictures.h"

namespace tesso_test {
namespace {

using tesso::DisplayInfo;
using tesso::MonitorHandle;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr int32_t kENotImpl = static_cast<int32_t>(0x80004001u);

const std::vector<std::string> kSetUp = {
    "CreateFactory",           "EnumAdapters1 0", "EnumOutputs 0",   "GetOutputDesc",
    "D3D11CreateDevice 0 0 7", "QueryOutput1",    "DuplicateOutput", "Release Output1",
    "Release Output",          "Release Adapter", "Release Factory"};
const std::vector<std::string> kCopy = {"QueryDesktopTexture",
                                        "GetDesktopTextureDesc",
                                        "CopyResource",
                                        "ReleaseFrame",
                                        "Map 0 1 0",
                                        "Unmap 0",
                                        "Release DesktopTexture",
                                        "Release DesktopResource"};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  return param.param.name;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// One monitor, shown by duplication (a desktop of pattern 5) and by GDI (pattern 1).
class ScreenCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_.duplication->adapters = {{FakeOutput{{MonitorHandle{kFakeMonitor}, 1}}}};
    fake_.duplication->SetDesktop(64, 48, 5);
  }
  bool Capture() {
    fake_.duplication->ClearRecords();
    fake_.gdi->calls.clear();
    changed_ = false;
    return fake_.capture->CaptureDisplay(display_, &changed_);
  }
  void ExpectNoMisuse() {
    EXPECT_THAT(fake_.duplication->misuse, IsEmpty());
    EXPECT_EQ(fake_.gdi->open_handles(), 0);
  }

  FakeCapture fake_ = MakeFakeCapture();
  DisplayInfo display_{MonitorHandle{kFakeMonitor}, 0, 0, 64, 48, true};
  bool changed_ = false;
};

TEST_F(ScreenCaptureTest, FirstFrameSetsUpDuplicationOnTheMonitorsOutputAndCopiesIt) {
  // Adapter 0 shows another monitor; adapter 1's first output cannot describe itself.
  const FakeOutput other{{MonitorHandle{0x999}, 1}};
  const FakeOutput broken{{MonitorHandle{kFakeMonitor}, 1}, kENotImpl};
  fake_.duplication->adapters = {{other}, {broken, fake_.duplication->adapters[0][0]}};
  fake_.duplication->frames = {FrameAnswer{}};
  ASSERT_TRUE(Capture());
  const std::vector<std::string> search = {
      "CreateFactory",   "EnumAdapters1 0", "EnumOutputs 0", "GetOutputDesc", "EnumOutputs 1",
      "EnumAdapters1 1", "EnumOutputs 0",   "GetOutputDesc", "EnumOutputs 1", "GetOutputDesc"};
  EXPECT_THAT(fake_.duplication->calls, ElementsAreArray(Join({search,
                                                               {kSetUp.begin() + 4, kSetUp.end()},
                                                               {"AcquireNextFrame 200"},
                                                               {kCopy.begin(), kCopy.begin() + 2},
                                                               {"CreateStagingTexture"},
                                                               {kCopy.begin() + 2, kCopy.end()}})));
  tesso::TextureDesc staging = fake_.duplication->desktop;
  staging.usage = 3;
  staging.cpu_access_flags = 0x20000;
  EXPECT_THAT(fake_.duplication->staging_descs, ElementsAre(staging));
  EXPECT_TRUE(changed_);
  EXPECT_STREQ(fake_.capture->GetBackendName(), "dxgi");
  EXPECT_EQ(fake_.capture->raw_image().pixels, fake_.duplication->screen);
  ExpectNoMisuse();
}

// What the second capture does once the first one took a duplicated frame.
struct PollCase {
  const char* name;
  std::function<void(FakeDuplicationPort*)> script;
  bool changed;
  std::vector<std::string> calls;
};

class ScreenCapturePollTest : public ScreenCaptureTest,
                              public ::testing::WithParamInterface<PollCase> {};

TEST_P(ScreenCapturePollTest, SecondCapturePollsWithoutWaitingAndReusesTheStagingTexture) {
  fake_.duplication->frames = {FrameAnswer{}};
  ASSERT_TRUE(Capture());
  GetParam().script(fake_.duplication);
  ASSERT_TRUE(Capture());
  EXPECT_EQ(changed_, GetParam().changed);
  EXPECT_STREQ(fake_.capture->GetBackendName(), "dxgi");
  EXPECT_THAT(fake_.duplication->calls, ElementsAreArray(GetParam().calls));
  EXPECT_THAT(fake_.gdi->calls, IsEmpty());
  EXPECT_EQ(fake_.capture->raw_image().pixels, fake_.duplication->screen);
  ExpectNoMisuse();
}

INSTANTIATE_TEST_SUITE_P(
    Polls, ScreenCapturePollTest,
    ::testing::Values(
        PollCase{"NothingNew", [](FakeDuplicationPort*) {}, false, {"AcquireNextFrame 0"}},
        PollCase{"PointerOnly",
                 [](FakeDuplicationPort* d) {
                   d->frames = {FrameAnswer{0, 0}};
                 },
                 false,
                 {"AcquireNextFrame 0", "ReleaseFrame", "Release DesktopResource"}},
        PollCase{"SamePixels", [](FakeDuplicationPort* d) { d->frames = {FrameAnswer{}}; }, false,
                 Join({{"AcquireNextFrame 0"}, kCopy})},
        PollCase{"LastRowChanged",
                 [](FakeDuplicationPort* d) {
                   d->frames = {FrameAnswer{}};
                   d->screen[d->screen.size() - 1] ^= 1;
                 },
                 true, Join({{"AcquireNextFrame 0"}, kCopy})},
        PollCase{"PaddedRows",
                 [](FakeDuplicationPort* d) {
                   d->frames = {FrameAnswer{}};
                   d->row_pitch = 64 * 4 + 32;
                   d->screen[0] ^= 1;
                 },
                 true, Join({{"AcquireNextFrame 0"}, kCopy})}),
    CaseName<PollCase>);

// One capture from scratch, its duplication script, and where its picture came from.
struct AttemptCase {
  const char* name;
  std::function<void(FakeDuplicationPort*, FakeTickClock*)> script;
  const char* backend;
  bool backed_off;  // the next capture, at the same time, skips duplication
  std::vector<std::string> calls;
};

class ScreenCaptureAttemptTest : public ScreenCaptureTest,
                                 public ::testing::WithParamInterface<AttemptCase> {};

TEST_P(ScreenCaptureAttemptTest, MapsEachOutcomeToItsBackendAndBackOff) {
  GetParam().script(fake_.duplication, fake_.clock);
  ASSERT_TRUE(Capture());
  EXPECT_TRUE(changed_);
  EXPECT_STREQ(fake_.capture->GetBackendName(), GetParam().backend);
  EXPECT_THAT(fake_.duplication->calls, ElementsAreArray(GetParam().calls));
  ExpectNoMisuse();
  if (std::string(GetParam().backend) == "gdi") {
    EXPECT_EQ(fake_.capture->raw_image().pixels, fake_.gdi->screen);
  }
  fake_.duplication->frames.clear();
  ASSERT_TRUE(Capture());
  EXPECT_EQ(fake_.duplication->calls.empty(), GetParam().backed_off);
}

const std::vector<std::string> kDeviceGone = {"Release Duplication", "Release DeviceContext",
                                              "Release Device"};
const std::vector<std::string> kFrameGone = {"Release DesktopTexture", "Release DesktopResource"};
const std::vector<std::string> kRefusedStaging = {"AcquireNextFrame 200", "QueryDesktopTexture",
                                                  "GetDesktopTextureDesc", "CreateStagingTexture",
                                                  "ReleaseFrame"};
const std::vector<std::string> kUntilMap = {"AcquireNextFrame 200",
                                            "QueryDesktopTexture",
                                            "GetDesktopTextureDesc",
                                            "CreateStagingTexture",
                                            "CopyResource",
                                            "ReleaseFrame",
                                            "Map 0 1 0"};

AttemptCase SetUpFailure(const char* name, int32_t hr, bool transient) {
  const auto one = Join({kSetUp, {"Release DeviceContext", "Release Device"}});
  auto calls = transient ? Join({one, one}) : one;
  return AttemptCase{name,
                     [hr](FakeDuplicationPort* d, FakeTickClock*) {
                       d->duplicate_hrs = {hr, hr};
                     },
                     "gdi", !transient, calls};
}

INSTANTIATE_TEST_SUITE_P(
    Attempts, ScreenCaptureAttemptTest,
    ::testing::Values(
        AttemptCase{"NoFirstFrameWithin200ms", [](FakeDuplicationPort*, FakeTickClock*) {}, "gdi",
                    false, Join({kSetUp, {"AcquireNextFrame 200"}})},
        AttemptCase{"PointerUpdatesThenAFrame",
                    [](FakeDuplicationPort* d, FakeTickClock* c) {
                      c->step = 50;
                      d->frames = {FrameAnswer{0, 0}, FrameAnswer{}};
                    },
                    "dxgi", false,
                    Join({kSetUp,
                          {"AcquireNextFrame 150", "ReleaseFrame", "Release DesktopResource",
                           "AcquireNextFrame 100", "QueryDesktopTexture", "GetDesktopTextureDesc",
                           "CreateStagingTexture"},
                          {kCopy.begin() + 2, kCopy.end()}})},
        AttemptCase{"AccessLostRebuildsTheDevice",
                    [](FakeDuplicationPort* d, FakeTickClock*) {
                      d->frames = {FrameAnswer{tesso::kDxgiErrorAccessLost}, FrameAnswer{}};
                    },
                    "dxgi", false,
                    Join({kSetUp,
                          {"AcquireNextFrame 200"},
                          kDeviceGone,
                          kSetUp,
                          {"AcquireNextFrame 200", "QueryDesktopTexture", "GetDesktopTextureDesc",
                           "CreateStagingTexture"},
                          {kCopy.begin() + 2, kCopy.end()}})},
        AttemptCase{"FormatOtherThan87",
                    [](FakeDuplicationPort* d, FakeTickClock*) {
                      d->frames = {FrameAnswer{}};
                      d->desktop.format = 28;
                    },
                    "gdi", true,
                    Join({kSetUp,
                          {"AcquireNextFrame 200", "QueryDesktopTexture", "GetDesktopTextureDesc",
                           "ReleaseFrame"},
                          kDeviceGone,
                          kFrameGone})},
        AttemptCase{"StagingTextureRefusedTwice",
                    [](FakeDuplicationPort* d, FakeTickClock*) {
                      d->frames = {FrameAnswer{}, FrameAnswer{}};
                      d->staging_hrs = {kENotImpl, kENotImpl};
                    },
                    "gdi", false,
                    Join({kSetUp, kRefusedStaging, kDeviceGone, kFrameGone, kSetUp, kRefusedStaging,
                          kDeviceGone, kFrameGone})},
        AttemptCase{"MapRefusedOnce",
                    [](FakeDuplicationPort* d, FakeTickClock*) {
                      d->frames = {FrameAnswer{}, FrameAnswer{}};
                      d->map_hrs = {kENotImpl};
                    },
                    "dxgi", false,
                    Join({kSetUp,
                          kUntilMap,
                          {"Release Duplication", "Release StagingTexture", "Release DeviceContext",
                           "Release Device"},
                          kFrameGone,
                          kSetUp,
                          kUntilMap,
                          {"Unmap 0"},
                          kFrameGone})},
        AttemptCase{"NoAdapter",
                    [](FakeDuplicationPort* d, FakeTickClock*) { d->adapters.clear(); },
                    "gdi",
                    true,
                    {"CreateFactory", "EnumAdapters1 0", "Release Factory"}},
        SetUpFailure("AccessDeniedTwice", tesso::kEAccessDenied, true),
        SetUpFailure("AccessLostTwice", tesso::kDxgiErrorAccessLost, true),
        SetUpFailure("SessionDisconnectedTwice", tesso::kDxgiErrorSessionDisconnected, true),
        SetUpFailure("NotImplemented", kENotImpl, false)),
    CaseName<AttemptCase>);

TEST_F(ScreenCaptureTest, RotatedOutputIsBackedOffFor30Seconds) {
  for (uint32_t rotation : {2u, 3u, 4u}) {
    SCOPED_TRACE(rotation);
    fake_ = MakeFakeCapture();
    fake_.duplication->adapters = {{FakeOutput{{MonitorHandle{kFakeMonitor}, rotation}}}};
    fake_.duplication->SetDesktop(64, 48, 5);
    ASSERT_TRUE(Capture());
    EXPECT_THAT(fake_.duplication->calls,
                ElementsAre("CreateFactory", "EnumAdapters1 0", "EnumOutputs 0", "GetOutputDesc",
                            "Release Output", "Release Adapter", "Release Factory"));
    EXPECT_STREQ(fake_.capture->GetBackendName(), "gdi");
    fake_.clock->Advance(29999);
    ASSERT_TRUE(Capture());
    EXPECT_THAT(fake_.duplication->calls, IsEmpty());
    fake_.clock->Advance(1);
    fake_.duplication->adapters[0][0].desc.rotation = 1;
    fake_.duplication->frames = {FrameAnswer{}};
    ASSERT_TRUE(Capture());
    EXPECT_STREQ(fake_.capture->GetBackendName(), "dxgi");
  }
}

TEST_F(ScreenCaptureTest, GdiCopiesTheDisplayRectangleAndGivesEveryHandleBack) {
  fake_ = MakeFakeCapture(/*dxgi_allowed=*/false);
  fake_.gdi->SetScreen(-8, 0, 40, 30, 9);
  display_ = DisplayInfo{MonitorHandle{kFakeMonitor}, 10, 20, 14, 22, false};
  ASSERT_TRUE(Capture());
  EXPECT_THAT(
      fake_.gdi->calls,
      ElementsAre("GetDC 0 -> 1", "CreateCompatibleDC 1 -> 2", "CreateDIBSection 1 0 -> 3",
                  "SelectObject 2 3 -> 100", "BitBlt 2 0 0 4 2 1 10 20 40CC0020", "GdiFlush",
                  "SelectObject 2 100 -> 3", "DeleteObject 3", "DeleteDC 2", "ReleaseDC 0 1"));
  tesso::BitmapInfoHeader header;
  header.size = 40;
  header.width = 4;
  header.height = -2;
  header.planes = 1;
  header.bit_count = 32;
  EXPECT_THAT(fake_.gdi->headers, ElementsAre(header));
  std::vector<uint8_t> expected;
  for (int row = 20; row < 22; ++row) {
    const uint8_t* start = &fake_.gdi->screen[(row * 40 + 18) * 4];
    expected.insert(expected.end(), start, start + 16);
  }
  EXPECT_EQ(fake_.capture->raw_image().pixels, expected);
  EXPECT_TRUE(changed_);
  EXPECT_THAT(fake_.duplication->calls, IsEmpty());
  ASSERT_TRUE(Capture());
  EXPECT_FALSE(changed_);
  fake_.gdi->screen[(21 * 40 + 21) * 4] ^= 1;
  ASSERT_TRUE(Capture());
  EXPECT_TRUE(changed_);
  ExpectNoMisuse();
}

struct GdiFailure {
  const char* name;
  std::function<void(FakeGdiPort*, DisplayInfo*)> script;
  std::vector<std::string> calls;
};

class ScreenCaptureGdiFailureTest : public ScreenCaptureTest,
                                    public ::testing::WithParamInterface<GdiFailure> {};

TEST_P(ScreenCaptureGdiFailureTest, FailsKeepingThePreviousPicture) {
  fake_ = MakeFakeCapture(/*dxgi_allowed=*/false);
  ASSERT_TRUE(Capture());
  const std::vector<uint8_t> before = fake_.capture->raw_image().pixels;
  GetParam().script(fake_.gdi, &display_);
  EXPECT_FALSE(Capture());
  EXPECT_FALSE(changed_);
  EXPECT_THAT(fake_.gdi->calls, ElementsAreArray(GetParam().calls));
  EXPECT_EQ(fake_.capture->raw_image().pixels, before);
  ExpectNoMisuse();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ScreenCaptureGdiFailureTest,
    ::testing::Values(
        GdiFailure{"ZeroWidth", [](FakeGdiPort*, DisplayInfo* d) { d->right = d->left; }, {}},
        GdiFailure{"NegativeHeight", [](FakeGdiPort*, DisplayInfo* d) { d->bottom = -1; }, {}},
        GdiFailure{"NoScreenContext",
                   [](FakeGdiPort* g, DisplayInfo*) { g->get_dc_fails = true; },
                   {"GetDC 0 -> 0"}},
        GdiFailure{"NoMemoryContext",
                   [](FakeGdiPort* g, DisplayInfo*) { g->compatible_dc_fails = true; },
                   {"GetDC 0 -> 4", "CreateCompatibleDC 4 -> 0", "ReleaseDC 0 4"}},
        GdiFailure{"NoBitmap",
                   [](FakeGdiPort* g, DisplayInfo*) { g->dib_fails = true; },
                   {"GetDC 0 -> 4", "CreateCompatibleDC 4 -> 5", "CreateDIBSection 4 0 -> 0",
                    "DeleteDC 5", "ReleaseDC 0 4"}},
        GdiFailure{"NoBits",
                   [](FakeGdiPort* g, DisplayInfo*) { g->dib_null_bits = true; },
                   {"GetDC 0 -> 4", "CreateCompatibleDC 4 -> 5", "CreateDIBSection 4 0 -> 6",
                    "DeleteObject 6", "DeleteDC 5", "ReleaseDC 0 4"}},
        GdiFailure{"BitBltRefused",
                   [](FakeGdiPort* g, DisplayInfo*) { g->bitblt_fails = true; },
                   {"GetDC 0 -> 4", "CreateCompatibleDC 4 -> 5", "CreateDIBSection 4 0 -> 6",
                    "SelectObject 5 6 -> 100", "BitBlt 5 0 0 64 48 4 0 0 40CC0020", "GdiFlush",
                    "SelectObject 5 100 -> 6", "DeleteObject 6", "DeleteDC 5", "ReleaseDC 0 4"}}),
    CaseName<GdiFailure>);

TEST_F(ScreenCaptureTest, ReleaseAllLetsGoOfDeviceFactoryPictureAndBackOff) {
  fake_.duplication->frames = {FrameAnswer{}};
  ASSERT_TRUE(Capture());
  fake_.duplication->ClearRecords();
  fake_.capture->ReleaseAll();
  EXPECT_THAT(fake_.duplication->calls, ElementsAre("Release Duplication", "Release StagingTexture",
                                                    "Release DeviceContext", "Release Device"));
  EXPECT_THAT(fake_.duplication->held(), IsEmpty());
  EXPECT_EQ(fake_.capture->raw_image().monitor, MonitorHandle::kNone);
  EXPECT_THAT(fake_.capture->raw_image().pixels, IsEmpty());

  fake_.duplication->adapters.clear();  // backs the monitor off
  ASSERT_TRUE(Capture());
  fake_.capture->ReleaseAll();
  ASSERT_TRUE(Capture());
  EXPECT_THAT(fake_.duplication->calls,
              ElementsAre("CreateFactory", "EnumAdapters1 0", "Release Factory"));
}

// Rows of 2 bytes; the source rows 3 bytes apart (the third byte is padding, 9).
TEST(CopyChangedRowsTest, ReportsAChangeAndLeavesEveryRowEqualToTheSource) {
  const std::vector<uint8_t> source = {1, 2, 9, 3, 4, 9, 5, 6, 9};
  struct Case {
    std::vector<uint8_t> destination;
    bool changed_before;
    bool changed;
  } cases[] = {{{1, 2, 3, 4, 5, 6}, false, false},
               {{0, 2, 3, 4, 5, 6}, false, true},
               {{1, 2, 3, 4, 5, 0}, false, true},
               {{1, 2, 3, 4, 5, 6}, true, true},
               {{0, 0, 0, 0, 0, 0}, true, true}};
  for (Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.destination));
    EXPECT_EQ(
        tesso::CopyChangedRows(source.data(), 3, 2, 3, c.changed_before, c.destination.data()),
        c.changed);
    EXPECT_THAT(c.destination, ElementsAre(1, 2, 3, 4, 5, 6));
  }
}

}  // namespace
}  // namespace tesso_test
