// The frame pipeline and the JPEG encoding: the guard around the picture, output sizes,
// quality, the JPEG cache with its sequence numbers, and the imaging pipeline's calls.
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/capture_frame.h"
#include "desktop_host/encode_jpeg.h"
#include "tests/fakes/fake_capture.h"
#include "tests/fakes/fake_pictures.h"

namespace tesso_test {
namespace {

using tesso::CaptureStatus;
using tesso::InputDesktopState;
using tesso::WicObject;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class EncodeJpegTest : public ::testing::Test {
 protected:
  bool Encode(int32_t out_width, int32_t out_height, float quality) {
    port_.ClearRecords();
    return tesso::EncodeJpeg(port_, pixels_, 4, 2, out_width, out_height, quality, &bytes_);
  }
  FakeJpegEncoderPort port_;
  std::vector<uint8_t> pixels_ = PatternPixels(4, 2, 3);
  std::vector<uint8_t> bytes_;
};

TEST_F(EncodeJpegTest, ScalesConvertsAndEncodesThroughOnePipelineThenReleasesIt) {
  port_.CoCreateInstance(tesso::kClsidWicImagingFactory, 1, tesso::kIidWicImagingFactory);
  ASSERT_TRUE(Encode(2, 1, 0.5f));
  EXPECT_THAT(
      port_.calls,
      ElementsAre("CreateBitmapFromMemory 4 2 32bppBGR 16 32", "CreateBitmapScaler",
                  "InitializeScaler Bitmap 2 1 3", "CreateFormatConverter",
                  "InitializeConverter Scaler 24bppBGR 0 0 0", "CreateStreamOnHGlobal 1",
                  "CreateEncoder Jpeg", "InitializeEncoder 2", "CreateNewFrame",
                  "WriteOption ImageQuality 4 0.5", "WriteOption JpegYCrCbSubsampling 17 1",
                  "InitializeFrame", "SetSize 2 1", "SetPixelFormat 24bppBGR",
                  "WriteSource Converter", "CommitFrame", "CommitEncoder", "Stat 1", "Seek 0 0",
                  "Read 26", "Release PropertyBag", "Release Frame", "Release Encoder",
                  "Release Stream", "Release Converter", "Release Scaler", "Release Bitmap"));
  FakeJpeg jpeg;
  ASSERT_TRUE(ParseFakeJpeg(bytes_, &jpeg));
  EXPECT_EQ(jpeg.pixels_hash, HashPixels(pixels_.data(), pixels_.size()));
  ASSERT_TRUE(Encode(4, 2, 0.5f));
  EXPECT_EQ(port_.calls[1], "CreateFormatConverter");
  EXPECT_EQ(port_.calls[2], "InitializeConverter Bitmap 24bppBGR 0 0 0");
  EXPECT_THAT(port_.misuse, IsEmpty());
}

TEST_F(EncodeJpegTest, EveryFailureReleasesWhatWasMadeAndFails) {
  const char* calls[] = {"CreateBitmapFromMemory",
                         "CreateBitmapScaler",
                         "InitializeScaler",
                         "CreateFormatConverter",
                         "InitializeConverter",
                         "CreateStreamOnHGlobal",
                         "CreateEncoder",
                         "InitializeEncoder",
                         "CreateNewFrame",
                         "WriteOption",
                         "InitializeFrame",
                         "SetSize",
                         "SetPixelFormat",
                         "WriteSource",
                         "CommitFrame",
                         "CommitEncoder",
                         "Stat",
                         "Seek",
                         "Read"};
  port_.CoCreateInstance(tesso::kClsidWicImagingFactory, 1, tesso::kIidWicImagingFactory);
  for (const char* call : calls) {
    SCOPED_TRACE(call);
    port_.fail_call = call;
    EXPECT_FALSE(Encode(2, 1, 0.9f));
    EXPECT_THAT(port_.held(), ElementsAre(WicObject::Factory));
  }
  port_.fail_call.clear();
  struct Sizes {
    std::optional<uint64_t> stat;
    std::optional<uint32_t> read;
  } sizes[] = {{0, std::nullopt}, {uint64_t{1} << 32, std::nullopt}, {std::nullopt, 25}};
  for (const Sizes& s : sizes) {
    port_.stat_size = s.stat;
    port_.read_count = s.read;
    EXPECT_FALSE(Encode(2, 1, 0.9f));
  }
  pixels_.pop_back();
  port_.stat_size.reset();
  port_.read_count.reset();
  EXPECT_FALSE(Encode(2, 1, 0.9f));
  EXPECT_THAT(port_.calls, IsEmpty());
  EXPECT_THAT(port_.misuse, IsEmpty());
}

class CaptureFrameTest : public ::testing::Test {
 protected:
  CaptureStatus Capture(int32_t max_dimension = 0, double quality = 0.8, int32_t index = 0) {
    fake_.jpeg->ClearRecords();
    fake_.gdi->calls.clear();
    frame_ = tesso::ScreenCapture::Frame();
    return tesso::CaptureFrame(*fake_.capture, index, max_dimension, quality, &frame_);
  }
  FakeJpeg Jpeg() {
    FakeJpeg jpeg;
    EXPECT_TRUE(ParseFakeJpeg(frame_.bytes, &jpeg));
    return jpeg;
  }
  void SetDisplay(int32_t width, int32_t height) {
    fake_.display->monitors = {Monitor(kFakeMonitor, 0, 0, width, height, true)};
    fake_.gdi->SetScreen(0, 0, width, height, 1);
  }

  FakeCapture fake_ = MakeFakeCapture();
  tesso::ScreenCapture::Frame frame_;
};

TEST_F(CaptureFrameTest, ScalesTheLongerSideToTheMaximumDimension) {
  struct Case {
    int32_t width, height, max_dimension, out_width, out_height;
  } cases[] = {{3840, 2160, 1920, 1920, 1080},
               {2560, 1440, 1000, 1000, 563},
               {3000, 1, 1000, 1000, 1},
               {1, 3000, 1000, 1, 1000},
               {48, 64, 32, 24, 32},
               {64, 48, 64, 64, 48},
               {64, 48, 0, 64, 48},
               {64, 48, -5, 64, 48}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " @" << c.max_dimension);
    SetDisplay(c.width, c.height);
    ASSERT_EQ(Capture(c.max_dimension), CaptureStatus::CaptureOk);
    EXPECT_EQ(frame_.width, c.out_width);
    EXPECT_EQ(frame_.height, c.out_height);
    const FakeJpeg jpeg = Jpeg();
    EXPECT_EQ(jpeg.width, static_cast<uint32_t>(c.out_width));
    EXPECT_EQ(jpeg.height, static_cast<uint32_t>(c.out_height));
    EXPECT_EQ(jpeg.scaled, c.out_width != c.width || c.out_height != c.height);
  }
}

TEST_F(CaptureFrameTest, ClampsTheQualityAndPicksTheSubsampling) {
  struct Case {
    double quality;
    const char* written;
    const char* subsampling;
  } cases[] = {{0.05, "4 0.1", "17 1"}, {0.75, "4 0.75", "17 3"}, {0.7499, "4 0.7499", "17 1"},
               {2.0, "4 1", "17 3"},    {kNaN, "4 0.8", "17 3"},  {-1.0, "4 0.1", "17 1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quality);
    ASSERT_EQ(Capture(0, c.quality), CaptureStatus::CaptureOk);
    std::vector<std::string> options;
    for (const std::string& call : fake_.jpeg->calls) {
      if (call.rfind("WriteOption", 0) == 0) options.push_back(call);
    }
    EXPECT_THAT(options,
                ElementsAre(std::string("WriteOption ImageQuality ") + c.written,
                            std::string("WriteOption JpegYCrCbSubsampling ") + c.subsampling));
  }
}

TEST_F(CaptureFrameTest, HandsOutTheCachedJpegUntilPictureOrSettingsChange) {
  struct Step {
    const char* what;
    std::function<void(FakeCapture*)> change;
    int32_t max_dimension;
    double quality;
    int64_t sequence;
  } steps[] = {
      {"first", [](FakeCapture*) {}, 0, 0.8, 1},
      {"unchanged", [](FakeCapture*) {}, 0, 0.8, 1},
      {"other quality", [](FakeCapture*) {}, 0, 0.6, 2},
      {"quality clamped the same", [](FakeCapture*) {}, 0, 0.6000000001, 2},
      {"other size", [](FakeCapture*) {}, 32, 0.6, 3},
      {"screen changed", [](FakeCapture* f) { f->gdi->screen[5] ^= 1; }, 32, 0.6, 4},
      {"display switched",
       [](FakeCapture* f) { f->display->monitors = {Monitor(0x20002, 0, 0, 64, 48, true)}; }, 32,
       0.6, 5},
      {"display resized",
       [](FakeCapture* f) { f->display->monitors = {Monitor(0x20002, 0, 0, 32, 48, true)}; }, 32,
       0.6, 6},
      {"released", [](FakeCapture* f) { f->capture->ReleaseAll(); }, 32, 0.6, 7},
  };
  tesso::ScreenCapture::Frame previous;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change(&fake_);
    ASSERT_EQ(Capture(step.max_dimension, step.quality), CaptureStatus::CaptureOk);
    EXPECT_EQ(frame_.sequence, step.sequence);
    const bool reused = fake_.jpeg->calls.empty();
    EXPECT_EQ(reused, frame_.sequence == previous.sequence);
    if (reused) {
      EXPECT_EQ(frame_.bytes, previous.bytes);
    }
    previous = frame_;
  }
  EXPECT_EQ(fake_.jpeg->factories_made, 2);
  EXPECT_THAT(fake_.jpeg->misuse, IsEmpty());
}

TEST_F(CaptureFrameTest, AFailedEncodingLeavesNoCacheBehind) {
  const char* calls[] = {"CoCreateInstance", "CreateBitmapFromMemory", "WriteSource", "Read"};
  int64_t sequence = 0;
  for (const char* call : calls) {
    SCOPED_TRACE(call);
    fake_.capture->ReleaseAll();  // the factory is made again
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    sequence = frame_.sequence;
    fake_.gdi->screen[0] ^= 1;
    if (std::string(call) == "CoCreateInstance") fake_.capture->ReleaseAll();
    fake_.jpeg->fail_call = call;
    EXPECT_EQ(Capture(), CaptureStatus::CaptureFailed);
    EXPECT_THAT(frame_.bytes, IsEmpty());
    fake_.jpeg->fail_call.clear();
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    EXPECT_EQ(Jpeg().pixels_hash, HashPixels(fake_.gdi->screen.data(), fake_.gdi->screen.size()));
    EXPECT_GT(frame_.sequence, sequence);
  }
}

TEST_F(CaptureFrameTest, RefusesLockedAndSecureDesktopsKeepingNothing) {
  fake_.duplication->adapters = {{FakeOutput{{tesso::MonitorHandle{kFakeMonitor}, 1}}}};
  fake_.duplication->SetDesktop(64, 48, 5);
  struct Case {
    InputDesktopState state;
    bool during_picture;  // the desktop switches while the picture is taken
    CaptureStatus status;
  } cases[] = {
      {InputDesktopState::SessionLocked, false, CaptureStatus::CaptureSessionLocked},
      {InputDesktopState::SecureDesktop, false, CaptureStatus::CaptureSecureDesktop},
      {InputDesktopState::SessionLocked, true, CaptureStatus::CaptureSessionLocked},
      {InputDesktopState::SecureDesktop, true, CaptureStatus::CaptureSecureDesktop},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.state) << c.during_picture);
    SetDesktopState(fake_.session, InputDesktopState::NormalDesktop);
    fake_.duplication->frames = {FrameAnswer{}};
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    ASSERT_STREQ(fake_.capture->GetBackendName(), "dxgi");
    if (c.during_picture) {
      fake_.duplication->adapters[0][0].desc.rotation = 2;  // GDI, on a fresh device
      fake_.capture->ReleaseDevice();
      fake_.gdi->on_bitblt = [&] { SetDesktopState(fake_.session, c.state); };
    } else {
      SetDesktopState(fake_.session, c.state);
    }
    EXPECT_EQ(Capture(), c.status);
    EXPECT_THAT(fake_.gdi->calls.empty(), !c.during_picture);
    EXPECT_THAT(fake_.duplication->held(), IsEmpty());
    EXPECT_THAT(fake_.capture->raw_image().pixels, IsEmpty());
    EXPECT_EQ(frame_.sequence, 0);
    // Unlocked: the duplication objects are built again and a new JPEG is made.
    fake_.gdi->on_bitblt = nullptr;
    fake_.duplication->adapters[0][0].desc.rotation = 1;
    fake_.capture->ReleaseAll();
    SetDesktopState(fake_.session, InputDesktopState::NormalDesktop);
    fake_.duplication->ClearRecords();
    fake_.duplication->frames = {FrameAnswer{}};
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    EXPECT_EQ(fake_.duplication->calls.front(), "CreateFactory");
    EXPECT_THAT(fake_.jpeg->calls, ::testing::Contains("CommitEncoder"));
  }
  EXPECT_THAT(fake_.duplication->misuse, IsEmpty());
}

TEST_F(CaptureFrameTest, FailsWithoutADisplayOrAPictureAndNamesALockFoundAfterward) {
  fake_.display->monitors = {Monitor(kFakeMonitor, 0, 0, 0, 48, true)};
  EXPECT_EQ(Capture(), CaptureStatus::CaptureFailed);
  fake_.gdi->on_bitblt = [&] { SetDesktopState(fake_.session, InputDesktopState::SessionLocked); };
  fake_.display->monitors = {Monitor(kFakeMonitor, 0, 0, 64, 48, true)};
  fake_.gdi->bitblt_fails = true;
  EXPECT_EQ(Capture(), CaptureStatus::CaptureSessionLocked);
  fake_.display->monitors.clear();
  SetDesktopState(fake_.session, InputDesktopState::NormalDesktop);
  EXPECT_EQ(Capture(), CaptureStatus::CaptureFailed);
  EXPECT_EQ(frame_.sequence, 0);
  EXPECT_EQ(fake_.gdi->open_handles(), 0);
}

}  // namespace
}  // namespace tesso_test
