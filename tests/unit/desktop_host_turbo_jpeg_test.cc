// TurboJpegEncoder against the real libjpeg-turbo: the chroma sampling and quality the frame
// pipeline asks for, the picture's stride, refused sizes, and the kept output buffer.
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "desktop_host/turbo_jpeg_encoder.h"

namespace tesso_test {
namespace {

// From the frame header (SOF0): width x 1000 + height, and the first component's sampling
// factors (0x11 for 4:4:4, 0x22 for 4:2:0); 0 without one.
std::pair<int, int> ReadSof(const std::vector<uint8_t>& jpeg) {
  for (size_t i = 2; i + 11 < jpeg.size() && jpeg[i] == 0xFF;
       i += 2 + (jpeg[i + 2] << 8 | jpeg[i + 3])) {
    if (jpeg[i + 1] == 0xC0)
      return {(jpeg[i + 7] << 8 | jpeg[i + 8]) * 1000 + (jpeg[i + 5] << 8 | jpeg[i + 6]),
              jpeg[i + 11]};
  }
  return {0, 0};
}

// Gradients with some noise in blue, green, red; the fourth byte and the gaps between rows
// `stride` bytes apart are 0x5A, which must not matter.
std::vector<uint8_t> Picture(int width, int height, int stride) {
  std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height, 0x5A);
  for (int i = 0; i < width * height; ++i) {
    uint8_t* p = &pixels[i / width * stride + i % width * 4];
    p[0] = i % width * 255 / width;
    p[1] = i / width * 255 / height;
    p[2] = 128 + (i * 2654435761u >> 28);
  }
  return pixels;
}

class TurboJpegEncoderTest : public ::testing::Test {
 protected:
  tesso::TurboJpegEncoder encoder_;
  std::vector<uint8_t> bytes_;
};

TEST_F(TurboJpegEncoderTest, ChromaIsFullFromThreeQuartersAndTheFileShrinksWithTheQuality) {
  const std::vector<uint8_t> picture = Picture(64, 48, 64 * 4);
  const struct {
    float quality;
    int sampling;
  } cases[] = {{1.0f, 0x11}, {0.9f, 0x11}, {0.75f, 0x11}, {0.7499f, 0x22},
               {0.6f, 0x22}, {0.3f, 0x22}, {0.1f, 0x22}};
  std::vector<size_t> sizes;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quality);
    ASSERT_TRUE(encoder_.Encode(picture.data(), 64, 48, 64 * 4, c.quality, &bytes_));
    EXPECT_EQ(ReadSof(bytes_), std::make_pair(64048, c.sampling));
    sizes.push_back(bytes_.size());
  }
  EXPECT_GT(sizes[1], sizes[4]);  // 0.9 > 0.6
  EXPECT_GT(sizes[4], sizes[5]);  // 0.6 > 0.3
  for (const auto& [quality, percent] :
       {std::pair{0.7499f, 75}, {0.05f, 10}, {2.0f, 100}, {std::nanf(""), 100}}) {
    EXPECT_EQ(tesso::TurboJpegEncoder::LibjpegQuality(quality), percent) << quality;
  }
}

TEST_F(TurboJpegEncoderTest, RowsApartGiveTheSameFileAndDecodeCloseToThePicture) {
  const std::vector<uint8_t> tight = Picture(37, 21, 37 * 4), wide = Picture(37, 21, 37 * 4 + 20);
  ASSERT_TRUE(encoder_.Encode(tight.data(), 37, 21, 37 * 4, 0.9f, &bytes_));
  const std::vector<uint8_t> expected = bytes_;
  ASSERT_TRUE(encoder_.Encode(wide.data(), 37, 21, 37 * 4 + 20, 0.9f, &bytes_));
  EXPECT_EQ(bytes_, expected);

  std::vector<uint8_t> decoded(37 * 21 * 4);
  tjhandle decoder = tjInitDecompress();
  ASSERT_EQ(
      tjDecompress2(decoder, bytes_.data(), bytes_.size(), decoded.data(), 37, 0, 21, TJPF_BGRX, 0),
      0);
  tjDestroy(decoder);
  for (size_t i = 0; i < decoded.size(); i += i % 4 == 2 ? 2 : 1) {  // the fourth byte aside
    ASSERT_NEAR(decoded[i], tight[i], 24) << i;
  }
}

TEST_F(TurboJpegEncoderTest, BadSizesAreRefusedAndTheBufferIsReused) {
  const std::vector<uint8_t> picture = Picture(16, 16, 64);
  const struct {
    int width, height, stride;
  } bad[] = {{0, 8, 32}, {8, 0, 32}, {-8, 8, 32}, {8, 8, 31}, {8, 8, -32}, {65536, 1, 1 << 20}};
  for (const auto& c : bad) {
    EXPECT_FALSE(encoder_.Encode(picture.data(), c.width, c.height, c.stride, 0.8f, &bytes_));
  }
  EXPECT_FALSE(encoder_.Encode(nullptr, 8, 8, 32, 0.8f, &bytes_));

  ASSERT_TRUE(encoder_.Encode(picture.data(), 16, 16, 64, 0.8f, &bytes_));
  const uint8_t* first = bytes_.data();
  encoder_.Release();
  ASSERT_TRUE(encoder_.Encode(picture.data(), 16, 16, 64, 0.3f, &bytes_));
  EXPECT_EQ(bytes_.data(), first);
  EXPECT_TRUE(encoder_.Encode(picture.data(), 1, 1, 4, 0.8f, &bytes_));  // the smallest frame
}

}  // namespace
}  // namespace tesso_test
