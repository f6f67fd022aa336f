// EncodeJpeg and CaptureFrame over fake ports: the imaging pipeline's calls, the output size
// and quality, the JPEG cache, and the desktop guard around the picture.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/capture_frame.h"
#include "desktop_host/encode_jpeg.h"
#include "tests/fakes/fake_capture.h"

namespace tesso_test {
namespace {

using tesso::CaptureStatus;
using tesso::InputDesktopState;

class CaptureFrameTest : public ::testing::Test {
 public:
  bool Encode(const std::vector<uint8_t>& pixels, int32_t width) {
    f_.jpeg->held = {tesso::WicObject::Factory};
    std::vector<uint8_t> bytes;
    const bool encoded = tesso::EncodeJpeg(*f_.jpeg, pixels, width, 2, 2, 1, 0.5f, &bytes);
    EXPECT_EQ(f_.jpeg->held, std::set<tesso::WicObject>{tesso::WicObject::Factory});
    EXPECT_TRUE(!encoded || std::string(bytes.begin(), bytes.end()) == "JPEG 2x1 q0.5 s1");
    return encoded;
  }
  CaptureStatus Capture(int32_t max_dimension = 0, double quality = 0.8) {
    frame_ = {};
    return tesso::CaptureFrame(*f_.capture, 0, max_dimension, quality, &frame_);
  }
  // The frame's size and its "JPEG".
  std::string Frame() const {
    return std::to_string(frame_.width) + "x" + std::to_string(frame_.height) + " " +
           std::string(frame_.bytes.begin(), frame_.bytes.end());
  }

  FakeCapture f_;
  tesso::ScreenCapture::Frame frame_;
};

TEST_F(CaptureFrameTest, EncodeJpegRunsOnePipelineAndReleasesItOnEveryPath) {
  const std::vector<uint8_t> pixels = Pixels(4 * 2 * 4, 3);
  ASSERT_TRUE(Encode(pixels, 4));
  EXPECT_EQ(f_.Take(),
            "CreateBitmapFromMemory 4 2 6FDDC324:0E 16 32, CreateBitmapScaler, "
            "InitializeScaler 1 2 1 3, CreateFormatConverter, "
            "InitializeConverter 2 6FDDC324:0C 0 0 0, CreateStreamOnHGlobal 1, "
            "CreateEncoder 19E4A5AA:57, InitializeEncoder 2, CreateNewFrame, "
            "WriteOption q 4 0.5 0, WriteOption s 17 0 1, InitializeFrame, SetSize 2x1, "
            "SetPixelFormat 6FDDC324:0C, WriteSource 3, CommitFrame, CommitEncoder, Stat 1, "
            "Seek 0 0, Read 16, Release PropertyBag, Release Frame, Release Encoder, "
            "Release Stream, Release Converter, Release Scaler, Release Bitmap");
  EXPECT_EQ(f_.jpeg->pixels, pixels);
  for (const char* call :
       {"CreateBitmapFromMemory", "CreateBitmapScaler", "InitializeScaler", "CreateFormatConverter",
        "InitializeConverter", "CreateStreamOnHGlobal", "CreateEncoder", "InitializeEncoder",
        "CreateNewFrame", "WriteOption", "InitializeFrame", "SetSize", "SetPixelFormat",
        "WriteSource", "CommitFrame", "CommitEncoder", "Stat", "Seek", "Read"}) {
    SCOPED_TRACE(call);
    f_.jpeg->fail[call] = {-1};
    EXPECT_FALSE(Encode(pixels, 4));
  }
  for (const uint64_t size : {uint64_t{0}, uint64_t{1} << 32}) {
    f_.jpeg->stat_size = size;
    EXPECT_FALSE(Encode(pixels, 4));
  }
  f_.jpeg->stat_size.reset();
  f_.jpeg->short_read = true;
  EXPECT_FALSE(Encode(pixels, 4));
  f_.Take();
  EXPECT_FALSE(Encode({}, 0));
  EXPECT_FALSE(Encode(Pixels(4 * 2 * 4 - 1, 3), 4));
  EXPECT_EQ(f_.Take(), "");
}

TEST_F(CaptureFrameTest, TheLongerSideBecomesTheMaximumAndTheQualityIsClamped) {
  const struct {
    int32_t width, height, max_dimension;
    double quality;
    const char* frame;
  } cases[] = {{3840, 2160, 1920, 0.8, "1920x1080 JPEG 1920x1080 q0.8 s3"},
               {2560, 1440, 1000, 0.05, "1000x563 JPEG 1000x563 q0.1 s1"},
               {3000, 1, 1000, 0.75, "1000x1 JPEG 1000x1 q0.75 s3"},
               {1, 3000, 1000, 0.7499, "1x1000 JPEG 1x1000 q0.7499 s1"},
               {48, 64, 32, 2.0, "24x32 JPEG 24x32 q1 s3"},
               {64, 48, -5, -1.0, "64x48 JPEG 64x48 q0.1 s1"},
               {64, 48, 64, NAN, "64x48 JPEG 64x48 q0.8 s3"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    f_.SetDisplay(c.width, c.height);
    ASSERT_EQ(Capture(c.max_dimension, c.quality), CaptureStatus::CaptureOk);
    EXPECT_EQ(Frame(), c.frame);
  }
  EXPECT_EQ(f_.jpeg->pixels, f_.gdi->screen);
}

TEST_F(CaptureFrameTest, TheJpegIsKeptUntilThePictureOrTheSettingsChange) {
  const struct {
    const char* what;
    std::function<void(FakeCapture*)> change;
    int32_t max_dimension;
    double quality;
    int64_t sequence;
  } steps[] = {
      {"first", [](FakeCapture*) {}, 0, 0.8, 1},
      {"unchanged", [](FakeCapture*) {}, 0, 0.8, 1},
      {"other quality", [](FakeCapture*) {}, 0, 0.6, 2},
      {"the same quality as a float", [](FakeCapture*) {}, 0, 0.6000000001, 2},
      {"other size", [](FakeCapture*) {}, 32, 0.6, 3},
      {"screen changed", [](FakeCapture* f) { f->gdi->screen[5] ^= 1; }, 32, 0.6, 4},
      {"display switched", [](FakeCapture* f) { f->SetDisplay(64, 48, 0x20002); }, 32, 0.6, 5},
      {"display resized", [](FakeCapture* f) { f->SetDisplay(64, 40, 0x20002); }, 32, 0.6, 6},
      {"released", [](FakeCapture* f) { f->capture->ReleaseAll(); }, 32, 0.6, 7},
  };
  std::string factories;
  int64_t previous = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.change(&f_);
    f_.Take();
    ASSERT_EQ(Capture(step.max_dimension, step.quality), CaptureStatus::CaptureOk);
    EXPECT_EQ(frame_.sequence, step.sequence);
    const std::string calls = f_.Take();
    EXPECT_EQ(calls.find("CommitEncoder") == std::string::npos, step.sequence == previous);
    previous = step.sequence;
    factories += calls.find("CoCreateInstance") == std::string::npos ? "-" : "+";
  }
  EXPECT_EQ(factories, "+-------+");
}

TEST_F(CaptureFrameTest, AFailedEncodingLeavesNoJpegBehind) {
  for (const char* call : {"CoCreateInstance", "WriteSource"}) {
    SCOPED_TRACE(call);
    f_.capture->ReleaseAll();
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    const int64_t sequence = frame_.sequence;
    f_.gdi->screen[0] ^= 1;
    f_.capture->ReleaseAll();
    f_.jpeg->fail[call] = {-1};
    EXPECT_EQ(Capture(), CaptureStatus::CaptureFailed);
    EXPECT_EQ(Frame(), "0x0 ");
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    EXPECT_GT(frame_.sequence, sequence);
  }
}

TEST_F(CaptureFrameTest, ALockedOrSecureDesktopBeforeOrAfterThePictureKeepsNothing) {
  using State = InputDesktopState;
  const int32_t lost = tesso::kDxgiErrorAccessLost;
  const struct {
    const char* name;
    std::function<void(FakeCapture*)> script;
    CaptureStatus status;
  } cases[] = {
      {"locked", [](FakeCapture* f) { f->SetDesktop(State::SessionLocked); },
       CaptureStatus::CaptureSessionLocked},
      {"secure", [](FakeCapture* f) { f->SetDesktop(State::SecureDesktop); },
       CaptureStatus::CaptureSecureDesktop},
      {"locked during the picture",
       [lost](FakeCapture* f) {
         f->duplication->frames = {{lost, 1}, {lost, 1}};
         f->gdi->on_bitblt = [f] { f->SetDesktop(State::SessionLocked); };
       },
       CaptureStatus::CaptureSessionLocked},
      {"secure during the picture",
       [lost](FakeCapture* f) {
         f->duplication->frames = {{lost, 1}, {lost, 1}};
         f->gdi->on_bitblt = [f] { f->SetDesktop(State::SecureDesktop); };
       },
       CaptureStatus::CaptureSecureDesktop},
      {"no picture, then locked",
       [lost](FakeCapture* f) {
         f->duplication->frames = {{lost, 1}, {lost, 1}};
         f->gdi->fail["BitBlt"] = {-1};
         f->gdi->on_bitblt = [f] { f->SetDesktop(State::SessionLocked); };
       },
       CaptureStatus::CaptureSessionLocked},
      {"no picture",
       [lost](FakeCapture* f) {
         f->duplication->frames = {{lost, 1}, {lost, 1}};
         f->gdi->fail["GetDC"] = {-1};
       },
       CaptureStatus::CaptureFailed},
      {"no display", [](FakeCapture* f) { f->display->monitors.clear(); },
       CaptureStatus::CaptureFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    f_ = FakeCapture();
    f_.duplication->adapters = {{{tesso::MonitorHandle{kFakeMonitor}, 1}}};
    f_.duplication->frames = {{0, 1}};
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    c.script(&f_);
    EXPECT_EQ(Capture(), c.status);
    EXPECT_EQ(Frame(), "0x0 ");
    if (c.status != CaptureStatus::CaptureFailed) {
      EXPECT_TRUE(f_.duplication->held.empty());
      EXPECT_TRUE(f_.capture->raw_image().pixels.empty());
    }
    // Back on the user's desktop: a new device and a new JPEG.
    f_.SetDesktop(State::NormalDesktop);
    f_.gdi->on_bitblt = nullptr;
    f_.gdi->fail.clear();
    f_.SetDisplay(64, 48);
    f_.duplication->frames = {{0, 1}};
    f_.duplication->screen[0] ^= 1;
    ASSERT_EQ(Capture(), CaptureStatus::CaptureOk);
    EXPECT_EQ(frame_.sequence, 2);
  }
}

}  // namespace
}  // namespace tesso_test
