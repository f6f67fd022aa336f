// TurboJpegEncoder against the real libjpeg-turbo: the chroma sampling and quality the frame
// pipeline asks for, the picture's stride, refused sizes, and the kept output buffer.
#include <turbojpeg.h>

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "desktop_host/turbo_jpeg_encoder.h"

namespace tesso_test {
namespace {

// The first component's sampling factors (0x11 for 4:4:4, 0x22 for 4:2:0) and the size, read
// from the frame header (SOF0) of a JPEG file; 0 when there is none.
struct Sof {
  int sampling = 0, width = 0, height = 0;
};
Sof ReadSof(const std::vector<uint8_t>& jpeg) {
  for (size_t i = 2; i + 4 < jpeg.size() && jpeg[i] == 0xFF;) {
    const size_t length = jpeg[i + 2] << 8 | jpeg[i + 3];
    if (jpeg[i + 1] == 0xC0 && i + 11 < jpeg.size()) {
      return {jpeg[i + 11], jpeg[i + 7] << 8 | jpeg[i + 8], jpeg[i + 5] << 8 | jpeg[i + 6]};
    }
    i += 2 + length;
  }
  return {};
}

class TurboJpegEncoderTest : public ::testing::Test {
 protected:
  // A busy picture: smooth gradients with some noise, `stride` bytes a row (padding 0xEE).
  static std::vector<uint8_t> Picture(int width, int height, int stride) {
    std::vector<uint8_t> pixels(static_cast<size_t>(stride) * height, 0xEE);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        noise = noise * 1103515245 + 12345;
        uint8_t* p = &pixels[static_cast<size_t>(y) * stride + x * 4];
        p[0] = static_cast<uint8_t>(x * 255 / width);
        p[1] = static_cast<uint8_t>(y * 255 / height);
        p[2] = static_cast<uint8_t>(128 + ((noise >> 16) & 31));
        p[3] = 0x5A;  // ignored
      }
    }
    return pixels;
  }
  bool Encode(const std::vector<uint8_t>& pixels, int width, int height, int stride,
              float quality) {
    return encoder_.Encode(pixels.data(), width, height, stride, quality, &bytes_);
  }

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
    ASSERT_TRUE(Encode(picture, 64, 48, 64 * 4, c.quality));
    const Sof sof = ReadSof(bytes_);
    EXPECT_EQ(sof.sampling, c.sampling);
    EXPECT_EQ(sof.width * 1000 + sof.height, 64048);
    sizes.push_back(bytes_.size());
  }
  EXPECT_GT(sizes[1], sizes[4]);  // 0.9 > 0.6
  EXPECT_GT(sizes[4], sizes[5]);  // 0.6 > 0.3
  EXPECT_EQ(tesso::TurboJpegEncoder::LibjpegQuality(0.7499f), 75);
  EXPECT_EQ(tesso::TurboJpegEncoder::LibjpegQuality(0.05f), 10);
}

TEST_F(TurboJpegEncoderTest, RowsApartGiveTheSameFileAndDecodeCloseToThePicture) {
  const std::vector<uint8_t> tight = Picture(37, 21, 37 * 4), wide = Picture(37, 21, 37 * 4 + 20);
  ASSERT_TRUE(Encode(tight, 37, 21, 37 * 4, 0.9f));
  const std::vector<uint8_t> expected = bytes_;
  ASSERT_TRUE(Encode(wide, 37, 21, 37 * 4 + 20, 0.9f));
  EXPECT_EQ(bytes_, expected);

  std::vector<uint8_t> decoded(37 * 21 * 4);
  tjhandle decoder = tjInitDecompress();
  ASSERT_EQ(
      tjDecompress2(decoder, bytes_.data(), bytes_.size(), decoded.data(), 37, 0, 21, TJPF_BGRX, 0),
      0);
  tjDestroy(decoder);
  int worst = 0;
  for (size_t i = 0; i < decoded.size(); ++i) {
    if (i % 4 != 3) worst = std::max(worst, std::abs(decoded[i] - tight[i]));
  }
  EXPECT_LE(worst, 24);
}

TEST_F(TurboJpegEncoderTest, BadSizesAreRefusedAndTheBufferIsReused) {
  const std::vector<uint8_t> picture = Picture(16, 16, 64);
  const struct {
    int width, height, stride;
  } bad[] = {{0, 8, 32}, {8, 0, 32}, {-8, 8, 32}, {8, 8, 31}, {8, 8, -32}, {65536, 1, 1 << 20}};
  for (const auto& c : bad) {
    SCOPED_TRACE(c.width * 1000 + c.stride);
    EXPECT_FALSE(Encode(picture, c.width, c.height, c.stride, 0.8f));
  }
  EXPECT_FALSE(encoder_.Encode(nullptr, 8, 8, 32, 0.8f, &bytes_));

  ASSERT_TRUE(Encode(picture, 16, 16, 64, 0.8f));
  const uint8_t* first = bytes_.data();
  encoder_.Release();
  ASSERT_TRUE(Encode(picture, 16, 16, 64, 0.3f));
  EXPECT_EQ(bytes_.data(), first);
  EXPECT_EQ(ReadSof(bytes_).sampling, 0x22);
}

}  // namespace
}  // namespace tesso_test
