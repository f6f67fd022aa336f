// BoxScaler: area averages of small pictures, exact where the average is, with fractional
// coverage, thin and one-pixel outputs, rows apart, and refused sizes.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "desktop_host/box_scaler.h"

namespace tesso_test {
namespace {

// A picture whose pixel of level v is the bytes v, v + 1, v + 2, v + 3, so that every byte is
// averaged on its own and in its place; rows `stride` bytes apart, the gaps 0xFF.
std::vector<uint8_t> Picture(const std::vector<int>& levels, int width, int stride) {
  std::vector<uint8_t> pixels(levels.size() / width * stride, 0xFF);
  for (size_t i = 0; i < levels.size(); ++i) {
    for (int c = 0; c < 4; ++c) pixels[i / width * stride + i % width * 4 + c] = levels[i] + c;
  }
  return pixels;
}

TEST(BoxScalerTest, EachOutputPixelIsTheMeanOfTheAreaItCovers) {
  std::vector<int> thin, thin_means;
  for (int x = 0; x < 3000; ++x) thin.push_back(x / 3 % 200 + x % 3);
  for (int x = 0; x < 1000; ++x) thin_means.push_back(x % 200 + 1);
  std::vector<int> corner(5 * 5, 0);
  corner.back() = 225;
  const struct {
    const char* name;
    std::vector<int> levels;
    int width, height, stride, out_width, out_height;
    std::vector<int> means;
  } cases[] = {
      {"2:1", {0, 10, 20, 30, 40, 50, 60, 70}, 4, 2, 16, 2, 1, {25, 45}},
      {"half up", {0, 1}, 2, 1, 8, 1, 1, {1}},
      {"3:2 across", {0, 30, 90}, 3, 1, 12, 2, 1, {10, 70}},
      {"to one pixel", {0, 10, 20, 30, 40, 50}, 3, 2, 12, 1, 1, {25}},
      {"3:2 down", {0, 30, 90}, 1, 3, 4, 1, 2, {10, 70}},
      {"3:1 down", {0, 30, 90}, 1, 3, 4, 1, 1, {40}},
      {"5:3 both ways, a bright corner", corner, 5, 5, 20, 3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 81}},
      {"rows apart", {0, 10, 20, 30, 40, 50, 60, 70}, 4, 2, 28, 2, 1, {25, 45}},
      {"3000x1 to 1000x1", thin, 3000, 1, 12000, 1000, 1, thin_means},
  };
  tesso::BoxScaler scaler;  // one for all: its weights follow either size changing
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> picture = Picture(c.levels, c.width, c.stride);
    ASSERT_TRUE(
        scaler.Scale(picture.data(), c.width, c.height, c.stride, c.out_width, c.out_height));
    EXPECT_EQ(scaler.pixels(), Picture(c.means, c.out_width, c.out_width * 4));
  }
}

TEST(BoxScalerTest, SizesItCannotServeAreRefused) {
  const std::vector<uint8_t> picture(4 * 4 * 4, 1);
  tesso::BoxScaler scaler;
  // Width, height, stride, output width, output height.
  const int bad[][5] = {{4, 4, 16, 0, 2}, {4, 4, 16, 2, 0}, {4, 4, 16, 5, 2},
                        {4, 4, 16, 2, 5}, {4, 4, 15, 2, 2}, {4, -4, 16, 2, 2}};
  for (const auto& c : bad)
    EXPECT_FALSE(scaler.Scale(picture.data(), c[0], c[1], c[2], c[3], c[4]));
  EXPECT_FALSE(scaler.Scale(nullptr, 4, 4, 16, 2, 2));
}

}  // namespace
}  // namespace tesso_test
