#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "runner/dpi_scaling.h"

namespace {

using tesso::ScaleFactorForDpi;
using tesso::ScaleToDpi;
using tesso::ScaleWindowFrame;
using tesso::WindowFrame;

std::string Describe(const WindowFrame& frame) {
  return "(" + std::to_string(frame.x) + ", " + std::to_string(frame.y) + ") " +
         std::to_string(frame.width) + "x" + std::to_string(frame.height);
}

const WindowFrame kStartFrame{10, 10, 1280, 720};

TEST(DpiScaleFactor, IsDpiOver96) {
  EXPECT_EQ(ScaleFactorForDpi(96), 1.0);
  EXPECT_EQ(ScaleFactorForDpi(120), 1.25);
  EXPECT_EQ(ScaleFactorForDpi(144), 1.5);
  EXPECT_EQ(ScaleFactorForDpi(192), 2.0);
  EXPECT_EQ(ScaleFactorForDpi(72), 0.75);
}

TEST(DpiWindowFrame, StartFrameAtCommonDpis) {
  EXPECT_EQ(Describe(ScaleWindowFrame(kStartFrame, 96)), "(10, 10) 1280x720");
  // 12.5 truncated.
  EXPECT_EQ(Describe(ScaleWindowFrame(kStartFrame, 120)), "(12, 12) 1600x900");
  EXPECT_EQ(Describe(ScaleWindowFrame(kStartFrame, 144)), "(15, 15) 1920x1080");
  // 17.5 truncated.
  EXPECT_EQ(Describe(ScaleWindowFrame(kStartFrame, 168)), "(17, 17) 2240x1260");
  EXPECT_EQ(Describe(ScaleWindowFrame(kStartFrame, 192)), "(20, 20) 2560x1440");
}

TEST(DpiWindowFrame, EachNumberIsScaledOnItsOwn) {
  EXPECT_EQ(Describe(ScaleWindowFrame({1, 3, 5, 7}, 144)), "(1, 4) 7x10");
}

TEST(DpiTruncation, TowardZeroNotRounded) {
  EXPECT_EQ(ScaleToDpi(11, 120), 13);  // 13.75
  EXPECT_EQ(ScaleToDpi(1, 144), 1);    // 1.5
  EXPECT_EQ(ScaleToDpi(3, 144), 4);    // 4.5
  EXPECT_EQ(ScaleToDpi(-10, 120), -12);
  EXPECT_EQ(ScaleToDpi(-11, 120), -13);
  EXPECT_EQ(ScaleToDpi(-1, 144), -1);
}

TEST(DpiTruncation, ProductOfTheDoubleFactorNotExactArithmetic) {
  // 240 * 98 / 96 is exactly 245, but 240 * (98 / 96.0) is 244.99999999999997.
  EXPECT_EQ(ScaleToDpi(240, 98), 244);
  EXPECT_EQ(ScaleToDpi(0, 98), 0);
}

TEST(DpiTruncation, SaturatesInsteadOfOverflowing) {
  const int32_t max = std::numeric_limits<int32_t>::max();
  const int32_t min = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(ScaleToDpi(max, 192), max);
  EXPECT_EQ(ScaleToDpi(min, 192), min);
  EXPECT_EQ(ScaleToDpi(max, 96), max);
  EXPECT_EQ(ScaleToDpi(max / 2, 192), max - 1);
}

}  // namespace
