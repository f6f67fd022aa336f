#include <gtest/gtest.h>

#include <memory>
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
using flutter::MethodCall;
using flutter::MethodChannel;
using flutter::MethodResult;
using flutter::StandardMethodCodec;
using tesso_test::FromHex;
using tesso_test::ToHex;
using Result = std::unique_ptr<MethodResult<EncodableValue>>;

const char kChannel[] = "com.example/test";
const std::string kDuplicateResult =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.\n";
const std::string kLeak = "Warning: Failed to respond to a message. This is a memory leak.\n";

// An engine with a view, as the host window holds it, and one channel on its messenger.
class MethodChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    fake_engine::Reset();
    controller_ =
        std::make_unique<flutter::FlutterViewController>(800, 600, flutter::EngineProject{});
    channel_ = std::make_unique<MethodChannel<EncodableValue>>(
        controller_->engine()->messenger(), kChannel, &StandardMethodCodec::GetInstance());
  }

  // Delivers a call the way the user interface does; returns the response id.
  int Call(const std::string& hex) {
    auto id = fake_engine::Deliver(kChannel, FromHex(hex));
    EXPECT_TRUE(id.has_value());
    return id.value_or(0);
  }

  std::unique_ptr<flutter::FlutterViewController> controller_;
  std::unique_ptr<MethodChannel<EncodableValue>> channel_;
};

// "echo" with int32 5 as arguments.
const char kEchoFive[] = "07046563686f0305000000";

TEST_F(MethodChannelTest, HandlerGetsTheDecodedCallAndAnswersOnce) {
  std::string seen;
  channel_->SetMethodCallHandler([&](const MethodCall<EncodableValue>& call, Result result) {
    seen = call.method_name() + " " + tesso_test::Describe(*call.arguments());
    result->Success(*call.arguments());
  });
  int id = Call(kEchoFive);
  EXPECT_EQ(seen, "echo i32:5");
  EXPECT_EQ(ToHex(fake_engine::ResponseFor(id).bytes), "000305000000");
}

TEST_F(MethodChannelTest, ReplacingAndClearingTheHandler) {
  channel_->SetMethodCallHandler(
      [](const auto&, Result result) { result->Success(EncodableValue(1)); });
  channel_->SetMethodCallHandler(
      [](const auto&, Result result) { result->Success(EncodableValue(2)); });
  int id = Call(kEchoFive);
  EXPECT_EQ(ToHex(fake_engine::ResponseFor(id).bytes), "000302000000");

  channel_->SetMethodCallHandler(nullptr);
  EXPECT_FALSE(fake_engine::Deliver(kChannel, FromHex(kEchoFive)).has_value());
  ASSERT_GE(fake_engine::state().set_callback_calls.size(), 3u);
  EXPECT_EQ(fake_engine::state().set_callback_calls.back(),
            std::make_pair(std::string(kChannel), false));
}

TEST_F(MethodChannelTest, AHandlerMayClearItselfWhileItRuns) {
  std::string captured = "kept alive by the handler";
  channel_->SetMethodCallHandler([this, captured](const auto&, Result result) {
    channel_->SetMethodCallHandler(nullptr);
    // The capture must still be valid after the registration is gone.
    result->Success(EncodableValue(captured));
  });
  int id = Call(kEchoFive);
  EXPECT_EQ(fake_engine::ResponseFor(id).bytes.size(), 3u + captured.size());
}

TEST_F(MethodChannelTest, SecondAnswerIsIgnoredWithOneLine) {
  channel_->SetMethodCallHandler([](const auto&, Result result) {
    result->Success(EncodableValue("first"));
    result->Error("late", "second answer");
    result->NotImplemented();
  });
  testing::internal::CaptureStderr();
  int id = Call(kEchoFive);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kDuplicateResult + kDuplicateResult);
  EXPECT_EQ(ToHex(fake_engine::ResponseFor(id).bytes), "0007056669727374");
  EXPECT_EQ(fake_engine::DuplicateResponses(), 0);
}

TEST_F(MethodChannelTest, DroppedResultWarnsAndSendsNothing) {
  channel_->SetMethodCallHandler([](const auto&, Result) {});
  testing::internal::CaptureStderr();
  int id = Call(kEchoFive);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kLeak);
  EXPECT_FALSE(fake_engine::ResponseFor(id).answered);
}

TEST_F(MethodChannelTest, NotImplementedAndUndecodableCallsAnswerEmpty) {
  channel_->SetMethodCallHandler([](const auto&, Result result) { result->NotImplemented(); });
  int id = Call(kEchoFive);
  EXPECT_TRUE(fake_engine::ResponseFor(id).answered);
  EXPECT_TRUE(fake_engine::ResponseFor(id).null_data);
  EXPECT_TRUE(fake_engine::ResponseFor(id).bytes.empty());

  // A call whose name is an int32 never reaches the handler.
  bool reached = false;
  channel_->SetMethodCallHandler([&](const auto&, Result result) {
    reached = true;
    result->Success();
  });
  testing::internal::CaptureStderr();
  id = Call("0301000000");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid method call; method name is not a string.\n"
            "Unable to construct method call from message on channel com.example/test\n");
  EXPECT_FALSE(reached);
  EXPECT_TRUE(fake_engine::ResponseFor(id).answered);
  EXPECT_TRUE(fake_engine::ResponseFor(id).bytes.empty());
}

TEST_F(MethodChannelTest, AHandlerThatThrowsIsAnsweredEmptyAtOnceWithOneLine) {
  struct Case {
    const char* name;
    bool answer_first;
    std::string response_hex;
  };
  const Case cases[] = {{"throws before answering", false, ""},
                        {"throws after answering", true, "0000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    channel_->SetMethodCallHandler([&c](const auto&, Result result) {
      if (c.answer_first) result->Success();
      throw std::runtime_error("handler failed");
    });
    testing::internal::CaptureStderr();
    int id = Call(kEchoFive);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: the handler of channel com.example/test threw an exception.\n");
    EXPECT_TRUE(fake_engine::ResponseFor(id).answered);
    EXPECT_EQ(ToHex(fake_engine::ResponseFor(id).bytes), c.response_hex);
    EXPECT_EQ(fake_engine::DuplicateResponses(), 0);
  }
}

TEST_F(MethodChannelTest, NameOnlyCallHasNullArguments) {
  std::string seen;
  channel_->SetMethodCallHandler([&](const MethodCall<EncodableValue>& call, Result result) {
    seen = tesso_test::Describe(*call.arguments());
    result->Success();
  });
  testing::internal::CaptureStderr();
  Call("07046563686f");
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(seen, "null");
}

TEST_F(MethodChannelTest, ReplyFromAWorkerThread) {
  Result kept;
  channel_->SetMethodCallHandler([&](const auto&, Result result) { kept = std::move(result); });
  int id = Call(kEchoFive);
  std::thread worker([&] { kept->Success(EncodableValue(true)); });
  worker.join();
  EXPECT_EQ(ToHex(fake_engine::ResponseFor(id).bytes), "0001");
}

TEST_F(MethodChannelTest, ReplyAfterTheEngineIsGoneIsDroppedSilently) {
  Result kept;
  channel_->SetMethodCallHandler([&](const auto&, Result result) { kept = std::move(result); });
  int id = Call(kEchoFive);
  EXPECT_EQ(fake_engine::MessengerReferences(), 2);  // the engine's and the pending reply's
  channel_.reset();
  controller_.reset();
  // The messenger lives on, unavailable, while the reply holds its reference.
  EXPECT_EQ(fake_engine::MessengerReferences(), 1);
  testing::internal::CaptureStderr();
  std::thread worker([&] {
    kept->Success(EncodableValue(true));
    kept.reset();
  });
  worker.join();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(fake_engine::ResponseFor(id).answered);
  EXPECT_EQ(fake_engine::MessengerReferences(), 0);
}

TEST_F(MethodChannelTest, RacingRepliesAndEngineShutdownStayConsistent) {
  std::vector<Result> kept;
  channel_->SetMethodCallHandler(
      [&](const auto&, Result result) { kept.push_back(std::move(result)); });
  std::vector<int> ids;
  for (int i = 0; i < 50; ++i) ids.push_back(Call(kEchoFive));
  std::thread worker([&] {
    for (Result& result : kept) result->Success(EncodableValue(int32_t{1}));
  });
  channel_.reset();
  controller_.reset();
  worker.join();
  kept.clear();
  // Every reply either reached the engine whole, before it went, or not at all.
  for (int id : ids) {
    fake_engine::Response response = fake_engine::ResponseFor(id);
    if (response.answered) {
      EXPECT_EQ(ToHex(response.bytes), "000301000000");
    }
  }
  EXPECT_EQ(fake_engine::MessengerReferences(), 0);
}

// Records the answer the user interface gave to an invoked method.
struct Answer {
  std::string kind = "none";
  std::string detail;
};

std::unique_ptr<flutter::MethodResultFunctions<EncodableValue>> Into(Answer* answer) {
  return std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
      [answer](const EncodableValue* v) {
        answer->kind = "success";
        answer->detail = v ? tesso_test::Describe(*v) : "";
      },
      [answer](const std::string& code, const std::string& message, const EncodableValue*) {
        answer->kind = "error";
        answer->detail = code + "/" + message;
      },
      [answer] { answer->kind = "not_implemented"; });
}

TEST_F(MethodChannelTest, InvokeMethodEncodesTheCallAndDecodesTheReply) {
  Answer answer;
  channel_->InvokeMethod("ping", std::make_unique<EncodableValue>(int32_t{5}), Into(&answer));
  ASSERT_EQ(fake_engine::state().sent.size(), 1u);
  EXPECT_EQ(fake_engine::state().sent[0].channel, kChannel);
  EXPECT_EQ(ToHex(fake_engine::state().sent[0].bytes), "070470696e670305000000");
  fake_engine::ReplyToSent(0, FromHex("000305000000"));
  EXPECT_EQ(answer.kind, "success");
  EXPECT_EQ(answer.detail, "i32:5");

  Answer error;
  channel_->InvokeMethod("ping", nullptr, Into(&error));
  EXPECT_EQ(ToHex(fake_engine::state().sent[1].bytes), "070470696e6700");
  fake_engine::ReplyToSent(1, FromHex("0107016507016d00"));
  EXPECT_EQ(error.kind, "error");
  EXPECT_EQ(error.detail, "e/m");
}

TEST_F(MethodChannelTest, EmptyOrUndecodableRepliesAreNotImplemented) {
  Answer empty, garbage;
  channel_->InvokeMethod("a", nullptr, Into(&empty));
  channel_->InvokeMethod("b", nullptr, Into(&garbage));
  fake_engine::ReplyToSent(0, {});
  EXPECT_EQ(empty.kind, "not_implemented");

  testing::internal::CaptureStderr();
  fake_engine::ReplyToSent(1, FromHex("07"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to decode reply to method invocation on channel com.example/test\n");
  EXPECT_EQ(garbage.kind, "not_implemented");
}

TEST_F(MethodChannelTest, InvokeWithoutResultAsksForNoReplyAndRefusedSendsDropTheResult) {
  channel_->InvokeMethod("fire", nullptr);
  ASSERT_EQ(fake_engine::state().sent.size(), 1u);
  EXPECT_EQ(fake_engine::state().sent[0].reply, nullptr);

  fake_engine::state().fail_send_with_reply = true;
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  channel_->InvokeMethod("refused", nullptr,
                         std::make_unique<flutter::MethodResultFunctions<EncodableValue>>(
                             [alive](const EncodableValue*) {}, nullptr, nullptr));
  alive.reset();
  // The refused send freed its reply (and the result in it) without calling it.
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(fake_engine::state().sent.size(), 1u);
}

}  // namespace
