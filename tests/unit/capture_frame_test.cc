// EncodeJpeg and CaptureFrame over fake ports: the imaging pipeline's calls, the output size
// and quality, the JPEG cache, and the desktop guard around the picture.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "desktop_host/capture_frame.h"
#include "desktop_host/encode_jpeg.h"
#include "tests/fakes/fake_capture.h"

namespace tesso_test {
namespace {

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

TEST_F(CaptureFrameTest, EncodeJpegRunsOnePipelineAndReleasesItOnEveryPath) {
  std::vector<uint8_t> pixels = Pixels(4 * 2 * 4, 3), bytes;
  f_.jpeg->held = {tesso::WicObject::Factory};
  ASSERT_TRUE(tesso::EncodeJpeg(*f_.jpeg, pixels, 4, 2, 2, 1, 0.5f, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "JPEG 2x1 q0.5 s1");
  EXPECT_EQ(f_.jpeg->pixels, pixels);
  EXPECT_EQ(f_.Take(),
            "CreateBitmapFromMemory 4 2 6FDDC324:0E 16 32, CreateBitmapScaler, "
            "InitializeScaler 1 2 1 3, CreateFormatConverter, "
            "InitializeConverter 2 6FDDC324:0C 0 0 0, CreateStreamOnHGlobal 1, "
            "CreateEncoder 19E4A5AA:57, InitializeEncoder 2, CreateNewFrame, "
            "WriteOption q 4 0.5 0, WriteOption s 17 0 1, InitializeFrame, SetSize 2x1, "
            "SetPixelFormat 6FDDC324:0C, WriteSource 3, CommitFrame, CommitEncoder, Stat 1, "
            "Seek 0 0, Read 16, Release PropertyBag, Release Frame, Release Encoder, "
            "Release Stream, Release Converter, Release Scaler, Release Bitmap");
  f_.jpeg->fail["Read"] = {-1};
  EXPECT_FALSE(tesso::EncodeJpeg(*f_.jpeg, pixels, 4, 2, 2, 1, 0.5f, &bytes));
  EXPECT_FALSE(tesso::EncodeJpeg(*f_.jpeg, {}, 0, 2, 2, 1, 0.5f, &bytes));
  EXPECT_EQ(f_.jpeg->held, std::set<tesso::WicObject>{tesso::WicObject::Factory});
}

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
  EXPECT_EQ(f_.jpeg->pixels, f_.gdi->screen);
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
  f_.Take();
  f_.capture->ReleaseAll();
  EXPECT_EQ(f_.Take(), "Release WicFactory");
  f_.jpeg->fail["CommitEncoder"] = {-1};
  EXPECT_EQ(Capture(32, 0.6), "3 0x0 #0 ");
  EXPECT_NE(f_.Take().find("CoCreateInstance"), std::string::npos);
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
    EXPECT_TRUE(f_.duplication->held.empty());
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
