#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "messaging/flutter_engine.h"
#include "messaging/flutter_view_controller.h"
#include "tests/fakes/fake_engine.h"

namespace {

using flutter::EngineProject;
using flutter::FlutterEngine;
using flutter::FlutterViewController;

EngineProject Project(std::vector<std::string> arguments = {}) {
  EngineProject project;
  project.assets_path = u"data\\flutter_assets";
  project.icu_data_path = u"data\\icudtl.dat";
  project.aot_library_path = u"data\\app.so";
  project.dart_entrypoint_arguments = std::move(arguments);
  return project;
}

class FlutterEngineTest : public testing::Test {
 protected:
  void SetUp() override { fake_engine::Reset(); }
};

TEST_F(FlutterEngineTest, PropertiesRecordWithoutArguments) {
  FlutterEngine engine(Project());
  const fake_engine::RecordedProperties& p = fake_engine::state().properties;
  EXPECT_EQ(p.assets_path, u"data\\flutter_assets");
  EXPECT_EQ(p.icu_data_path, u"data\\icudtl.dat");
  EXPECT_EQ(p.aot_library_path, u"data\\app.so");
  EXPECT_EQ(p.entrypoint, std::optional<std::string>(""));  // empty, never null
  EXPECT_EQ(p.argc, 0);
  EXPECT_TRUE(p.argv_null);
  EXPECT_EQ(p.option_a, 0);
  EXPECT_EQ(p.option_b, 0);
}

TEST_F(FlutterEngineTest, PropertiesRecordCarriesTheArgumentsAndOptions) {
  EngineProject project = Project({"--hidden", "x y"});
  project.dart_entrypoint = "main2";
  project.option_a = 3;
  project.option_b = -4;
  FlutterEngine engine(project);
  const fake_engine::RecordedProperties& p = fake_engine::state().properties;
  EXPECT_EQ(p.argc, 2);
  EXPECT_FALSE(p.argv_null);
  EXPECT_EQ(p.arguments, (std::vector<std::string>{"--hidden", "x y"}));
  EXPECT_EQ(p.entrypoint, std::optional<std::string>("main2"));
  EXPECT_EQ(p.option_a, 3);
  EXPECT_EQ(p.option_b, -4);
}

TEST_F(FlutterEngineTest, OwnedEngineIsDestroyedRelinquishedOneIsNot) {
  { FlutterEngine engine(Project()); }
  EXPECT_EQ(fake_engine::state().engines_destroyed, 1);

  FlutterDesktopEngineRef handle = nullptr;
  {
    FlutterEngine engine(Project());
    handle = engine.RelinquishEngine();
    ASSERT_NE(handle, nullptr);
    // Still usable after it is given away.
    EXPECT_NE(engine.GetRegistrarForPlugin("P"), nullptr);
  }
  EXPECT_EQ(fake_engine::state().engines_destroyed, 1);
  FlutterDesktopEngineDestroy(handle);
}

TEST_F(FlutterEngineTest, NextFrameCallbackRunsOncePerArming) {
  FlutterViewController controller(640, 480, Project());
  int runs = 0;
  controller.engine()->SetNextFrameCallback([&] { ++runs; });
  fake_engine::DrawFrame();
  fake_engine::DrawFrame();
  controller.ForceRedraw();
  EXPECT_EQ(runs, 1);
  controller.engine()->SetNextFrameCallback([&] { ++runs; });
  controller.ForceRedraw();
  fake_engine::DrawFrame();
  EXPECT_EQ(runs, 2);
}

TEST_F(FlutterEngineTest, ACallbackMayArmTheNextFrame) {
  FlutterViewController controller(640, 480, Project());
  int runs = 0;
  std::function<void()> again = [&] {
    if (++runs < 3) controller.engine()->SetNextFrameCallback(again);
  };
  controller.engine()->SetNextFrameCallback(again);
  for (int i = 0; i < 5; ++i) fake_engine::DrawFrame();
  EXPECT_EQ(runs, 3);
}

TEST_F(FlutterEngineTest, ViewControllerOwnsTheEngineAndTheView) {
  {
    FlutterViewController controller(1280, 720, Project());
    ASSERT_NE(controller.view(), nullptr);
    EXPECT_NE(controller.view()->GetNativeWindow(), nullptr);
    EXPECT_EQ(fake_engine::state().view_width, 1280);
    EXPECT_EQ(fake_engine::state().view_height, 720);
    controller.engine()->ReloadSystemFonts();
    EXPECT_EQ(fake_engine::state().fonts_reloaded, 1);
  }
  EXPECT_EQ(fake_engine::state().controllers_destroyed, 1);
  // The engine went with the controller, not through the wrapper's own destroy.
  EXPECT_EQ(fake_engine::state().engines_destroyed, 0);
}

TEST_F(FlutterEngineTest, FailedViewControllerHasNoViewAndSaysSo) {
  fake_engine::state().fail_view_controller = true;
  testing::internal::CaptureStderr();
  {
    FlutterViewController controller(10, 10, Project());
    EXPECT_EQ(controller.view(), nullptr);
    controller.ForceRedraw();  // harmless without a controller
    EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, 0x1D, 0, 0).has_value());
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Failed to create view controller.\n");
  EXPECT_EQ(fake_engine::state().controllers_destroyed, 0);
}

TEST_F(FlutterEngineTest, EngineThatCannotBeCreatedLeavesNoView) {
  fake_engine::state().fail_engine_create = true;
  testing::internal::CaptureStderr();
  FlutterViewController controller(10, 10, Project());
  EXPECT_EQ(controller.view(), nullptr);
  // The messenger reaches nothing but is safe to use.
  controller.engine()->messenger()->SetMessageHandler("c", [](auto, auto, auto) {});
  controller.engine()->messenger()->Send("c", nullptr, 0, [](auto, auto) {});
  EXPECT_EQ(controller.engine()->GetRegistrarForPlugin("P"), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Failed to create view controller.\n"
            "Cannot get plugin registrar on an engine that isn't running; call Run first.\n");
}

TEST_F(FlutterEngineTest, TopLevelMessagesGoToTheEngineFirst) {
  FlutterViewController controller(10, 10, Project());
  EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, 0x1D, 0, 0).has_value());
  fake_engine::state().top_level_result = 42;
  EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 0x10, 0, 0), 42);
  EXPECT_EQ(fake_engine::state().top_level_messages,
            (std::vector<FlutterDesktopWindowMessage>{0x1D, 0x10}));
}

TEST_F(FlutterEngineTest, RegistrarsAreAskedByName) {
  FlutterViewController controller(10, 10, Project());
  controller.engine()->GetRegistrarForPlugin("DesktopDropPlugin");
  controller.engine()->GetRegistrarForPlugin("UrlLauncherWindows");
  EXPECT_EQ(fake_engine::state().registrar_requests,
            (std::vector<std::string>{"DesktopDropPlugin", "UrlLauncherWindows"}));
}

}  // namespace
