// The fixed values of start-up and of the window base (Parts 1.1, 1.2).
#include <gtest/gtest.h>

#include <string>

#include "runner/start_up.h"
#include "runner/theme.h"

namespace tesso_test {
namespace {

TEST(StartUp, SingleInstanceMutexLivesInTheSessionNamespace) {
  EXPECT_EQ(std::u16string(tesso::kSingleInstanceMutexName), u"Local\\Halvo.SingleInstance");
}

TEST(StartUp, WindowIsTessoAtTenTenWith1280By720LogicalPixels) {
  EXPECT_EQ(std::u16string(tesso::kWindowTitle), u"Tesso");
  EXPECT_EQ(tesso::kWindowOriginX, 10);
  EXPECT_EQ(tesso::kWindowOriginY, 10);
  EXPECT_EQ(tesso::kWindowWidth, 1280);
  EXPECT_EQ(tesso::kWindowHeight, 720);
}

TEST(Theme, DarkTitleBarOnlyWhenAppsDoNotUseTheLightTheme) {
  EXPECT_TRUE(tesso::DarkTitleBarForLightThemeValue(0));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(1));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(2));
  EXPECT_FALSE(tesso::DarkTitleBarForLightThemeValue(0xFFFFFFFFu));
}

}  // namespace
}  // namespace tesso_test
