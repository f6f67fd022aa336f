// The engine wrapper and method channels against the fake engine library, whose log of calls
// is compared whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "messaging/flutter_view_controller.h"
#include "messaging/method_channel.h"
#include "messaging/method_result_functions.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/fake_engine.h"
#include "tests/unit/value_description.h"

namespace {

using flutter::EncodableValue;
using flutter::EngineProject;
using flutter::FlutterEngine;
using flutter::FlutterViewController;
using flutter::MethodCall;
using Result = std::unique_ptr<flutter::MethodResult<EncodableValue>>;
using Handler = std::function<void(const MethodCall<EncodableValue>&, Result)>;
using tesso_test::FromHex;
using testing::ElementsAre;
using testing::ElementsAreArray;

const char kChannel[] = "com.example/test";
const char kEchoFive[] = "07046563686f0305000000";  // "echo" with int32 5
const std::string kDuplicate =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.\n";
const std::string kThrew = "Error: the handler of channel com.example/test threw an exception.\n";
const std::string kCreate = "EngineCreate data\\flutter_assets data\\icudtl.dat data\\app.so ";

EngineProject Project(std::vector<std::string> arguments = {}) {
  EngineProject project;
  project.assets_path = u"data\\flutter_assets";
  project.icu_data_path = u"data\\icudtl.dat";
  project.aot_library_path = u"data\\app.so";
  project.dart_entrypoint_arguments = std::move(arguments);
  return project;
}

// Records the answer the user interface gave to an invoked method.
std::unique_ptr<flutter::MethodResultFunctions<EncodableValue>> Into(std::string* answer) {
  return std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
      [answer](const EncodableValue* v) { *answer = v ? tesso_test::Describe(*v) : "success"; },
      [answer](const std::string& code, const std::string& message, const EncodableValue*) {
        *answer = "error " + code + "/" + message;
      },
      [answer] { *answer = "not implemented"; });
}

// An engine with a view, as the host window holds it, and one channel on its messenger.
class MessagingTest : public testing::Test {
 protected:
  void SetUp() override { fake_engine::Reset(); }

  void OpenChannel() {
    controller_ = std::make_unique<FlutterViewController>(800, 600, Project());
    channel_ = std::make_unique<flutter::MethodChannel<EncodableValue>>(
        controller_->engine()->messenger(), kChannel, &flutter::StandardMethodCodec::GetInstance());
    fake_engine::TakeLog();
  }

  std::unique_ptr<FlutterViewController> controller_;
  std::unique_ptr<flutter::MethodChannel<EncodableValue>> channel_;
};

TEST_F(MessagingTest, EngineAndViewControllerLifetimes) {
  struct Case {
    const char* name;
    bool fail_engine, fail_view;
    std::function<void()> run;
    std::vector<std::string> log;
    std::string errors;
  };
  FlutterDesktopEngineRef handle = nullptr;
  const std::string kDefault = kCreate + "entry= argv=null 0 0";
  // clang-format off
  const Case cases[] = {
      {"owned engine, arguments and options", false, false,
       [] {
         EngineProject project = Project({"--hidden", "x y"});
         project.dart_entrypoint = "main2";
         project.option_a = 3;
         project.option_b = -4;
         FlutterEngine engine(project);
       },
       {kCreate + "entry=main2 argv=--hidden,x y 3 -4", "EngineDestroy"}, ""},
      {"relinquished engine", false, false,
       [&] {
         {
           FlutterEngine engine(Project());
           handle = engine.RelinquishEngine();
           EXPECT_NE(engine.GetRegistrarForPlugin("P"), nullptr);  // still usable
         }
         FlutterDesktopEngineDestroy(handle);
       },
       {kDefault, "GetPluginRegistrar P", "EngineDestroy"}, ""},
      {"view controller", false, false,
       [] {
         fake_engine::Switches& switches = fake_engine::switches();
         FlutterViewController controller(1280, 720, Project());
         ASSERT_NE(controller.view(), nullptr);
         EXPECT_NE(controller.view()->GetNativeWindow(), nullptr);
         controller.engine()->ReloadSystemFonts();
         EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, 0x1D, 0, 0).has_value());
         switches.top_level_result = 42;
         EXPECT_EQ(controller.HandleTopLevelWindowProc(nullptr, 0x10, 0, 0), 42);
         controller.engine()->GetRegistrarForPlugin("UrlLauncherWindows");
       },
       // The engine goes with the controller, not through the wrapper's own destroy.
       {kDefault, "ViewControllerCreate 1280x720", "ReloadSystemFonts", "TopLevelWindowProc 29",
        "TopLevelWindowProc 16", "GetPluginRegistrar UrlLauncherWindows", "ViewControllerDestroy"},
       ""},
      {"view controller refused", false, true,
       [] {
         FlutterViewController controller(10, 10, Project());
         EXPECT_EQ(controller.view(), nullptr);
         controller.ForceRedraw();
         EXPECT_FALSE(controller.HandleTopLevelWindowProc(nullptr, 0x1D, 0, 0).has_value());
       },
       {kDefault, "ViewControllerCreate 10x10"}, "Failed to create view controller.\n"},
      {"engine refused", true, false,
       [] {
         FlutterViewController controller(10, 10, Project());
         EXPECT_EQ(controller.view(), nullptr);
         // The messenger reaches nothing but is safe to use.
         controller.engine()->messenger()->SetMessageHandler("c", [](auto, auto, auto) {});
         controller.engine()->messenger()->Send("c", nullptr, 0, [](auto, auto) {});
         EXPECT_EQ(controller.engine()->GetRegistrarForPlugin("P"), nullptr);
       },
       {kDefault},
       "Failed to create view controller.\n"
       "Cannot get plugin registrar on an engine that isn't running; call Run first.\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_engine::Reset();
    fake_engine::switches().fail_engine_create = c.fail_engine;
    fake_engine::switches().fail_view_controller = c.fail_view;
    testing::internal::CaptureStderr();
    c.run();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.errors);
    EXPECT_THAT(fake_engine::TakeLog(), ElementsAreArray(c.log));
  }
}

TEST_F(MessagingTest, EachCallIsAnsweredOnceWhateverTheHandlerDoes) {
  OpenChannel();
  struct Case {
    const char* name;
    const char* message;
    Handler handler;
    std::vector<std::string> calls;  // the n-th case's call has response id n
    std::string errors;
  };
  const std::string kInvalid = "Invalid read in StandardCodecByteStreamReader\n";
  const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";
  auto echo = [](const auto& call, Result r) { r->Success(*call.arguments()); };
  auto fail = [](const auto&, Result) { throw std::runtime_error("handler failed"); };
  // clang-format off
  const Case cases[] = {
      {"echo", kEchoFive, echo, {"SendResponse 1 000305000000"}, ""},
      {"name only: null arguments", "07046563686f", echo, {"SendResponse 2 0000"}, kInvalid},
      {"three answers", kEchoFive,
       [](const auto&, Result r) {
         r->Success(EncodableValue("first"));
         r->Error("late", "second answer");
         r->NotImplemented();
       },
       {"SendResponse 3 0007056669727374"}, kDuplicate + kDuplicate},
      {"dropped result", kEchoFive, [](const auto&, Result) {}, {}, kLeak},
      {"not implemented", kEchoFive, [](const auto&, Result r) { r->NotImplemented(); },
       {"SendResponse 5 null"}, ""},
      {"throws before answering", kEchoFive, fail, {"SendResponse 6 null"}, kThrew},
      {"throws after answering", kEchoFive,
       [&](const auto& call, Result r) { r->Success(); fail(call, nullptr); },
       {"SendResponse 7 0000"}, kThrew},
      {"name not a string", "0301000000", [](const auto&, Result) { ADD_FAILURE(); },
       {"SendResponse 8 null"},
       "Invalid method call; method name is not a string.\n"
       "Unable to construct method call from message on channel com.example/test\n"},
      {"handler clears itself", kEchoFive,
       [this, kept = std::string("kept")](const auto&, Result r) {
         channel_->SetMethodCallHandler(nullptr);
         r->Success(EncodableValue(kept));  // the capture is still valid
       },
       {"SetCallback com.example/test cleared", "SendResponse 9 0007046b657074"}, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    channel_->SetMethodCallHandler(c.handler);
    fake_engine::TakeLog();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(fake_engine::Deliver(kChannel, FromHex(c.message)));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.errors);
    EXPECT_THAT(fake_engine::TakeLog(), ElementsAreArray(c.calls));
  }
  EXPECT_FALSE(fake_engine::Deliver(kChannel, FromHex(kEchoFive)));
}

TEST_F(MessagingTest, RepliesFromWorkerThreadsReachTheEngineWholeOrNotAtAll) {
  OpenChannel();
  std::vector<Result> kept;
  channel_->SetMethodCallHandler([&](const auto&, Result r) { kept.push_back(std::move(r)); });
  for (int i = 0; i < 50; ++i) fake_engine::Deliver(kChannel, FromHex(kEchoFive));
  std::thread([&] { kept[0]->Success(EncodableValue(true)); }).join();
  EXPECT_THAT(fake_engine::TakeLog(),
              ElementsAre("SetCallback com.example/test set", "SendResponse 1 0001"));
  testing::internal::CaptureStderr();
  std::thread worker([&] {
    for (Result& result : kept) result->Success(EncodableValue(int32_t{1}));
  });
  channel_.reset();
  controller_.reset();
  worker.join();
  kept.clear();
  // Replies after the engine went are dropped silently; the messenger goes with the last.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kDuplicate);
  EXPECT_EQ(fake_engine::MessengerReferences(), 0);
  std::set<std::string> ids;
  for (const std::string& call : fake_engine::TakeLog()) {
    if (call.rfind("SendResponse ", 0) != 0) continue;
    EXPECT_TRUE(ids.insert(call.substr(0, call.rfind(' '))).second) << call;
    EXPECT_THAT(call, testing::AnyOf("SendResponse 1 0001",
                                     testing::MatchesRegex("SendResponse [0-9]+ 000301000000")));
  }
}

TEST_F(MessagingTest, InvokeMethodEncodesTheCallAndDecodesEachKindOfReply) {
  OpenChannel();
  std::string answers[4];  // success, error, empty reply, undecodable reply
  channel_->InvokeMethod("ping", std::make_unique<EncodableValue>(int32_t{5}), Into(&answers[0]));
  channel_->InvokeMethod("ping", nullptr, Into(&answers[1]));
  channel_->InvokeMethod("a", nullptr, Into(&answers[2]));
  channel_->InvokeMethod("b", nullptr, Into(&answers[3]));
  channel_->InvokeMethod("fire", nullptr);
  fake_engine::switches().fail_send_with_reply = true;
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  channel_->InvokeMethod("refused", nullptr,
                         std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
                             [alive](const EncodableValue*) {}, nullptr, nullptr));
  alive.reset();
  EXPECT_TRUE(watch.expired());  // the refused send freed its result without calling it
  fake_engine::ReplyToSent(0, FromHex("000305000000"));
  fake_engine::ReplyToSent(1, FromHex("0107016507016d00"));
  fake_engine::ReplyToSent(2, {});
  testing::internal::CaptureStderr();
  fake_engine::ReplyToSent(3, FromHex("07"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to decode reply to method invocation on channel com.example/test\n");
  EXPECT_THAT(answers, ElementsAre("i32:5", "error e/m", "not implemented", "not implemented"));
  const std::string send = std::string("SendWithReply ") + kChannel + " ";
  EXPECT_THAT(
      fake_engine::TakeLog(),
      ElementsAre(send + "070470696e670305000000", send + "070470696e6700", send + "07016100",
                  send + "07016200", std::string("Send ") + kChannel + " 07046669726500",
                  send + "07077265667573656400"));
}

}  // namespace
