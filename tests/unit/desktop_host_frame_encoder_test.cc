// The imaging component's frame encoder against the scripted JPEG encoder port (its one
// pipeline per picture, the factory kept until Release), and the fallback from one encoder to
// another.
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "desktop_host/fallback_frame_encoder.h"
#include "desktop_host/wic_frame_encoder.h"
#include "tests/fakes/fake_capture.h"

namespace tesso_test {
namespace {

using ::testing::ElementsAre;

TEST(WicFrameEncoderTest, OnePipelinePerPictureOnAFactoryKeptUntilRelease) {
  auto* port = new FakeJpegEncoderPort;
  port->log = std::make_shared<CallLog>();
  tesso::WicFrameEncoder encoder{std::unique_ptr<tesso::JpegEncoderPort>(port)};
  auto pipeline = [](const std::string& options, const char* read) {
    return "CreateBitmapFromMemory 4 2 6FDDC324:0E 20 40, CreateFormatConverter, "
           "InitializeConverter 1 6FDDC324:0C 0 0 0, CreateStreamOnHGlobal 1, "
           "CreateEncoder 19E4A5AA:57, InitializeEncoder 2, CreateNewFrame, " +
           options +
           ", InitializeFrame, SetSize 4x2, SetPixelFormat 6FDDC324:0C, WriteSource 2, "
           "CommitFrame, CommitEncoder, Stat 1, Seek 0 0, Read " +
           read +
           ", Release PropertyBag, Release Frame, Release Encoder, Release Stream, "
           "Release Converter, Release Bitmap";
  };
  const std::string create = "CoCreateInstance 317D06E8:C2 1 EC5EC8A9:70";
  const std::string half = "WriteOption q 4 0.5 0, WriteOption s 17 0 1";
  const struct {
    std::string fail;  // the call that fails, if any
    float quality;
    const char* file;  // when encoded
    std::string calls;
  } cases[] = {
      {"", 0.5f, "JPEG 4x2 q0.5 s1", create + ", " + pipeline(half, "16")},
      {"", 0.75f, "JPEG 4x2 q0.75 s3",
       pipeline("WriteOption q 4 0.75 0, WriteOption s 17 0 3", "17")},
      {"Read", 0.5f, nullptr, pipeline(half, "16")},
      {"CreateBitmapFromMemory", 0.5f, nullptr, "CreateBitmapFromMemory 4 2 6FDDC324:0E 20 40"},
      {"CoCreateInstance", 0.5f, nullptr, "Release WicFactory, " + create},
  };
  std::vector<uint8_t> pixels = Pixels(20 * 2, 3), bytes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.calls);
    port->fail[c.fail] = {-1};
    if (c.fail == "CoCreateInstance") encoder.Release();
    EXPECT_EQ(encoder.Encode(pixels.data(), 4, 2, 20, c.quality, &bytes), c.file != nullptr);
    EXPECT_EQ(TakeCalls(port->log.get()), c.calls);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.file ? c.file : "JPEG 4x2 q0.5 s1");
  }
  EXPECT_EQ(port->pixels, pixels);
  EXPECT_FALSE(encoder.Encode(pixels.data(), 4, 2, 15, 0.5f, &bytes));  // stride too short
  EXPECT_EQ(port->held, std::set<tesso::WicObject>{tesso::WicObject::Factory});
}

TEST(FallbackFrameEncoderTest, TheSecondEncodesOnlyWhatTheFirstCannot) {
  auto log = std::make_shared<CallLog>();
  auto* first = new FakeFrameEncoder(log, "turbo");
  auto* second = new FakeFrameEncoder(log, "wic");
  tesso::FallbackFrameEncoder encoder{std::unique_ptr<tesso::FrameEncoder>(first),
                                      std::unique_ptr<tesso::FrameEncoder>(second)};
  const std::vector<uint8_t> pixels(3 * 8 * 2);
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(encoder.Encode(pixels.data(), 2, 3, 8, 0.8f, &bytes));
  first->fail = 1;
  EXPECT_TRUE(encoder.Encode(pixels.data(), 2, 3, 8, 0.6f, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "JPEG 2x3 q0.6 s1");
  first->fail = second->fail = 1;
  EXPECT_FALSE(encoder.Encode(pixels.data(), 2, 3, 8, 0.3f, &bytes));
  encoder.Release();
  EXPECT_THAT(*log, ElementsAre("turbo Encode 2x3 8 0.8", "turbo Encode 2x3 8 0.6",
                                "wic Encode 2x3 8 0.6", "turbo Encode 2x3 8 0.3",
                                "wic Encode 2x3 8 0.3", "Release turbo", "Release wic"));
}

}  // namespace
}  // namespace tesso_test
