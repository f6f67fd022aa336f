// The window service's construction, destruction and channel protocol, on a fake shell port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/unit/window_channel_fixture.h"
#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using tesso::FieldText;
using testing::ElementsAre;

// Everything that is not a bool, as the user interface might send it. Null stands for a
// missing argument too: the codec sends a call without arguments as null.
std::vector<std::pair<std::string, EncodableValue>> NonBoolArguments() {
  return {
      {"null", EncodableValue()},
      {"int32 1", EncodableValue(int32_t{1})},
      {"int32 0", EncodableValue(int32_t{0})},
      {"int64 1", EncodableValue(int64_t{1})},
      {"double 1", EncodableValue(1.0)},
      {"string", EncodableValue("true")},
      {"list", EncodableValue(EncodableList{EncodableValue(true)})},
      {"map", EncodableValue(EncodableMap{{EncodableValue("value"), EncodableValue(true)}})},
  };
}

// --- Construction and destruction ---

TEST_F(WindowChannelTest, ConstructionRegistersFiltersLoadsAddsAndThenBindsTheChannel) {
  Create();
  const std::string show = std::to_string(ShowWindowMessage());
  const std::string taskbar = std::to_string(TaskbarCreatedMessage());
  EXPECT_THAT(shell_.calls,
              ElementsAre("RegisterWindowMessageW", "RegisterWindowMessageW",
                          "ChangeWindowMessageFilterEx " + show + " 1",
                          "ChangeWindowMessageFilterEx " + taskbar + " 1", "GetSystemMetrics 49",
                          "GetSystemMetrics 50", "GetModuleHandleW", "LoadImageW 101 1 20 22 0",
                          "Shell_NotifyIconW 0", "Shell_NotifyIconW 4",
                          "SetMessageHandler com.vel.halvo/window set"));
  EXPECT_THAT(shell_.registered_names, ElementsAre(u"Halvo.ShowMainWindow", u"TaskbarCreated"));
  ASSERT_EQ(shell_.loaded_images.size(), 1u);
  EXPECT_EQ(shell_.loaded_images[0].module, FakeShellPort::kModule);
  EXPECT_TRUE(service_->icon_added());
}

TEST_F(WindowChannelTest, IconRecordCarriesIdentityCallbackIconAndTooltipOnly) {
  Create();
  const auto adds = shell_.NotifyCalls(tesso::kNimAdd);
  ASSERT_EQ(adds.size(), 1u);
  const tesso::NotifyIconRecord& record = adds[0].record;
  EXPECT_EQ(record.window, kWindow);
  EXPECT_EQ(record.id, 1u);
  EXPECT_EQ(record.flags, 0x87u);
  EXPECT_EQ(record.callback_message, 0x8058u);
  EXPECT_EQ(record.icon, FakeShellPort::kIcon);
  EXPECT_EQ(FieldText(record.tip), u"Tesso");
  EXPECT_EQ(FieldText(record.info), u"");
  EXPECT_EQ(FieldText(record.info_title), u"");
  EXPECT_EQ(record.info_flags, 0u);
  EXPECT_EQ(record.version, 0u);

  // The version request is a copy that differs only in its version.
  const auto versions = shell_.NotifyCalls(tesso::kNimSetVersion);
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions[0].record.version, 4u);
  EXPECT_EQ(versions[0].record.flags, 0x87u);
  EXPECT_EQ(versions[0].record.id, 1u);
  EXPECT_EQ(FieldText(versions[0].record.tip), u"Tesso");
  EXPECT_EQ(service_->icon_data().version, 0u);
}

TEST_F(WindowChannelTest, InitialStateIsCloseToTrayWithNothingElseSet) {
  Create();
  EXPECT_TRUE(service_->close_to_tray());
  EXPECT_FALSE(service_->hidden());
  EXPECT_FALSE(service_->hide_notice_shown());
  EXPECT_FALSE(service_->quitting());
  EXPECT_FALSE(service_->viewer_active());
  EXPECT_FALSE(IsHidden());
}

TEST_F(WindowChannelTest, DestructionClearsTheHandlerBeforeRemovingTheIconAndFreeingIt) {
  Create();
  ClearRecords();
  Destroy();
  EXPECT_THAT(shell_.calls, ElementsAre("SetMessageHandler com.vel.halvo/window clear",
                                        "Shell_NotifyIconW 2", "DestroyIcon"));
  EXPECT_THAT(shell_.destroyed_icons, ElementsAre(FakeShellPort::kIcon));
  EXPECT_FALSE(messenger_.HasHandler(tesso::WindowChannel::kChannelName));
}

TEST_F(WindowChannelTest, DestructionWithoutIconMakesNoDeleteRequest) {
  Create();
  Call("setCloseToTray", EncodableValue(false));
  ClearRecords();
  Destroy();
  EXPECT_THAT(shell_.calls,
              ElementsAre("SetMessageHandler com.vel.halvo/window clear", "DestroyIcon"));
}

TEST_F(WindowChannelTest, IconThatFailedToLoadIsStillAddedAndNeverDestroyed) {
  shell_.fail_load_image = true;
  Create();
  const auto adds = shell_.NotifyCalls(tesso::kNimAdd);
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0].record.icon, tesso::IconHandle::kNone);
  EXPECT_TRUE(service_->icon_added());
  Destroy();
  EXPECT_EQ(shell_.Count("DestroyIcon"), 0);
  EXPECT_EQ(shell_.NotifyCalls(tesso::kNimDelete).size(), 1u);
}

// --- First frame and start hidden ---

TEST_F(WindowChannelTest, FirstFrameShowsAndForegroundsTheWindow) {
  Create();
  ClearRecords();
  service_->ShowOnFirstFrame();
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"));
  EXPECT_FALSE(IsHidden());
}

TEST_F(WindowChannelTest, FirstFrameRestoresAMinimisedWindow) {
  Create();
  shell_.iconic = true;
  ClearRecords();
  service_->ShowOnFirstFrame();
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 9", "SetForegroundWindow"));
}

TEST_F(WindowChannelTest, StartHiddenKeepsTheWindowInTheTrayWithoutNotice) {
  Create(/*start_hidden=*/true);
  EXPECT_TRUE(service_->icon_added());
  EXPECT_TRUE(IsHidden());
  ClearRecords();
  service_->ShowOnFirstFrame();
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(IsHidden());
  EXPECT_TRUE(shell_.NotifyCalls(tesso::kNimModify).empty());
  EXPECT_FALSE(service_->hide_notice_shown());
}

TEST_F(WindowChannelTest, StartHiddenIsLeftByTheWakeMessage) {
  Create(/*start_hidden=*/true);
  ClearRecords();
  EXPECT_TRUE(Offer(ShowWindowMessage()));
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"));
  EXPECT_FALSE(IsHidden());
}

TEST_F(WindowChannelTest, StartHiddenWithCloseToTrayTurnedOffShowsTheWindow) {
  Create(/*start_hidden=*/true);
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(false)).IsSuccessNull());
  EXPECT_FALSE(IsHidden());
  ClearRecords();
  service_->ShowOnFirstFrame();
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"));
}

// --- "setCloseToTray" ---

TEST_F(WindowChannelTest, SetCloseToTrayFalseShowsAHiddenWindowBeforeRemovingTheIcon) {
  Create();
  shell_.iconic = true;
  EXPECT_TRUE(Offer(tesso::kWmClose));
  ASSERT_TRUE(IsHidden());
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(false)).IsSuccessNull());
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 9", "SetForegroundWindow",
                                        "Shell_NotifyIconW 2"));
  EXPECT_FALSE(IsHidden());
  EXPECT_FALSE(service_->close_to_tray());
  EXPECT_FALSE(service_->icon_added());
}

TEST_F(WindowChannelTest, SetCloseToTrayFalseOnAShownWindowOnlyRemovesTheIcon) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(false)).IsSuccessNull());
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 2"));
}

TEST_F(WindowChannelTest, SetCloseToTrayFalseKeepsTheIconOfAnActiveViewer) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  Offer(tesso::kWmClose);
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(false)).IsSuccessNull());
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"));
  EXPECT_TRUE(service_->icon_added());
}

TEST_F(WindowChannelTest, SetCloseToTrayTrueAddsAMissingIconAndSucceedsEvenIfRefused) {
  Create();
  Call("setCloseToTray", EncodableValue(false));
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(true)).IsSuccessNull());
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 0", "Shell_NotifyIconW 4"));
  EXPECT_TRUE(service_->icon_added());

  Call("setCloseToTray", EncodableValue(false));
  shell_.refuse_add = true;
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(true)).IsSuccessNull());
  EXPECT_TRUE(service_->close_to_tray());
  EXPECT_FALSE(service_->icon_added());
}

TEST_F(WindowChannelTest, SetCloseToTrayTrueWithTheIconInPlaceAsksNothing) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Call("setCloseToTray", EncodableValue(true)).IsSuccessNull());
  EXPECT_TRUE(shell_.calls.empty());
}

// --- Bad arguments ---

TEST_F(WindowChannelTest, SetCloseToTrayRejectsEveryNonBoolWithoutChangingAnything) {
  Create();
  for (bool current : {true, false}) {
    Call("setCloseToTray", EncodableValue(current));
    ClearRecords();
    for (const auto& [name, argument] : NonBoolArguments()) {
      EXPECT_TRUE(Call("setCloseToTray", argument).IsBadArgs()) << name;
      EXPECT_EQ(service_->close_to_tray(), current) << name;
    }
    EXPECT_TRUE(Call("setCloseToTray", nullptr).IsBadArgs());
    EXPECT_EQ(service_->close_to_tray(), current);
    EXPECT_TRUE(shell_.calls.empty());
  }
}

TEST_F(WindowChannelTest, SetViewerActiveRejectsEveryNonBoolWithoutChangingAnything) {
  Create();
  for (bool current : {false, true}) {
    Call("setViewerActive", EncodableValue(current));
    ClearRecords();
    for (const auto& [name, argument] : NonBoolArguments()) {
      EXPECT_TRUE(Call("setViewerActive", argument).IsBadArgs()) << name;
      EXPECT_EQ(service_->viewer_active(), current) << name;
    }
    EXPECT_TRUE(Call("setViewerActive", nullptr).IsBadArgs());
    EXPECT_EQ(service_->viewer_active(), current);
    EXPECT_TRUE(shell_.calls.empty());
    EXPECT_EQ(FieldText(service_->icon_data().tip),
              current ? u"Tesso \u00B7 \u6B63\u5728\u88AB\u8FDC\u7A0B\u67E5\u770B" : u"Tesso");
  }
}

TEST_F(WindowChannelTest, ShowNoticeWithoutUsableTextsSucceedsAndShowsNothing) {
  Create();
  ClearRecords();
  std::vector<std::pair<std::string, EncodableValue>> arguments = NonBoolArguments();
  arguments.emplace_back("bool", EncodableValue(true));
  arguments.emplace_back("empty map", EncodableValue(EncodableMap{}));
  arguments.emplace_back("empty texts", TextMap({{"title", ""}, {"body", ""}}));
  arguments.emplace_back("other keys", TextMap({{"Title", "x"}, {"text", "y"}}));
  arguments.emplace_back(
      "non-string texts",
      EncodableValue(EncodableMap{{EncodableValue("title"), EncodableValue(int32_t{7})},
                                  {EncodableValue("body"), EncodableValue(EncodableList{})}}));
  arguments.emplace_back(
      "integer keys",
      EncodableValue(EncodableMap{{EncodableValue(int32_t{1}), EncodableValue("title")}}));
  for (const auto& [name, argument] : arguments) {
    EXPECT_TRUE(Call("showNotice", argument).IsSuccessNull()) << name;
  }
  EXPECT_TRUE(Call("showNotice", nullptr).IsSuccessNull());
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, IsHiddenIgnoresItsArgument) {
  Create(/*start_hidden=*/true);
  for (const auto& [name, argument] : NonBoolArguments()) {
    const Reply reply = Call("isHidden", argument);
    EXPECT_EQ(reply.kind, Reply::Kind::kSuccess) << name;
    EXPECT_EQ(reply.value, EncodableValue(true)) << name;
  }
}

TEST_F(WindowChannelTest, NamesAreMatchedExactly) {
  Create();
  ClearRecords();
  for (const char* name :
       {"SetCloseToTray", "setclosetotray", "ShowNotice", "SETVIEWERACTIVE", "ishidden",
        "isHidden ", " isHidden", "setCloseToTray2", "", "disconnectViewers", "stopHosting"}) {
    EXPECT_EQ(Call(name, EncodableValue(true)).kind, Reply::Kind::kNotImplemented) << name;
  }
  EXPECT_TRUE(service_->close_to_tray());
  EXPECT_FALSE(service_->viewer_active());
  EXPECT_TRUE(shell_.calls.empty());
}

// --- Calls to the user interface ---

TEST_F(WindowChannelTest, MenuCommandsThreeAndFourCallTheInterfaceWithNullAndNoReply) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmCommand, 3));
  EXPECT_TRUE(Offer(tesso::kWmCommand, 4));
  const auto calls = Outgoing();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].method, "disconnectViewers");
  EXPECT_EQ(calls[1].method, "stopHosting");
  for (const OutgoingCall& call : calls) {
    EXPECT_TRUE(call.has_arguments) << call.method;
    EXPECT_TRUE(call.arguments.IsNull()) << call.method;
    EXPECT_FALSE(call.wants_reply) << call.method;
  }
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, ErrorFromTheInterfaceIsIgnored) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmCommand, 3));
  ReplyWithError(0);
  EXPECT_TRUE(service_->viewer_active());
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(Outgoing().size(), 1u);
}

}  // namespace
}  // namespace tesso_test
