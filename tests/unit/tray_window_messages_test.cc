// Every row of the window service's message hook, hide on close and the tray menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/unit/window_channel_fixture.h"
#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"

namespace tesso_test {
namespace {

using flutter::EncodableValue;
using tesso::FieldText;
using testing::ElementsAre;

constexpr uint32_t kTray = 0x8058;
constexpr uint32_t kMouseMove = 0x0200;

const std::u16string kOpen = u"\u6253\u5F00Tesso";
const std::u16string kExit = u"\u9000\u51FATesso";
const std::u16string kDisconnect = u"\u65AD\u5F00\u8FDC\u7A0B\u67E5\u770B";
const std::u16string kStopHosting = u"\u505C\u6B62\u88AB\u8FDC\u7A0B\u63A7\u5236";

// --- Registered messages ---

TEST_F(WindowChannelTest, WakeMessageShowsTheWindowAndIsConsumed) {
  Create();
  Offer(tesso::kWmClose);
  shell_.iconic = true;
  ClearRecords();
  EXPECT_TRUE(Offer(ShowWindowMessage(), 7, 9));
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 9", "SetForegroundWindow"));
  EXPECT_FALSE(IsHidden());
}

// "TaskbarCreated" comes from a restarted taskbar (the icon is gone) or from any process
// (the icon is still there, and its add is refused as a duplicate). Either way the message is
// passed on and afterwards the service's icon_added says whether the shell holds the icon.
TEST_F(WindowChannelTest, TaskbarCreatedLeavesTheIconHeldExactlyWhenTheServiceSaysSo) {
  struct Row {
    const char* name;
    bool close_to_tray;
    bool viewer;
    bool taskbar_restarted;
    bool refuse_add;
    std::vector<std::string> calls;
    bool held;
  };
  const Row rows[] = {
      {"restarted", true, false, true, false, {"Shell_NotifyIconW 0", "Shell_NotifyIconW 4"}, true},
      {"stray",
       true,
       false,
       false,
       false,
       {"Shell_NotifyIconW 0", "Shell_NotifyIconW 1", "Shell_NotifyIconW 4"},
       true},
      {"viewer only",
       false,
       true,
       true,
       false,
       {"Shell_NotifyIconW 0", "Shell_NotifyIconW 4"},
       true},
      {"stray, viewer only",
       false,
       true,
       false,
       false,
       {"Shell_NotifyIconW 0", "Shell_NotifyIconW 1", "Shell_NotifyIconW 4"},
       true},
      {"no icon wanted", false, false, true, false, {}, false},
      {"add refused",
       true,
       false,
       true,
       true,
       {"Shell_NotifyIconW 0", "Shell_NotifyIconW 1"},
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    shell_ = FakeShellPort();
    Create();
    Call("setCloseToTray", EncodableValue(row.close_to_tray));
    if (row.viewer) Call("setViewerActive", EncodableValue(true));
    if (row.taskbar_restarted) shell_.holds_icon = false;
    shell_.refuse_add = row.refuse_add;
    ClearRecords();
    EXPECT_FALSE(Offer(TaskbarCreatedMessage()));
    EXPECT_EQ(shell_.calls, row.calls);
    EXPECT_EQ(service_->icon_added(), row.held);
    EXPECT_EQ(shell_.holds_icon, row.held);
    if (!row.calls.empty()) {
      // The record re-added or refreshed carries the current tooltip.
      EXPECT_EQ(FieldText(shell_.notify_calls.back().record.tip),
                row.viewer ? u"Tesso \u00B7 \u6B63\u5728\u88AB\u8FDC\u7A0B\u67E5\u770B" : u"Tesso");
    }
    Destroy();
  }
}

TEST_F(WindowChannelTest, AfterAStrayTaskbarCreatedTheIconIsStillRemovedAndNoticesShown) {
  Create();
  Offer(TaskbarCreatedMessage());
  ClearRecords();
  Call("showNotice", TextMap({{"title", "T"}, {"body", "B"}}));
  Call("setCloseToTray", EncodableValue(false));
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 1", "Shell_NotifyIconW 2"));
  EXPECT_FALSE(shell_.holds_icon);
  EXPECT_FALSE(service_->icon_added());
}

TEST_F(WindowChannelTest, FailedRegistrationsMatchNoMessage) {
  // A failed registration answers 0, which is also WM_NULL: the menu posts WM_NULL after
  // every use, and it must not show the window.
  shell_.fail_register = true;
  Create();
  ClearRecords();
  EXPECT_FALSE(Offer(tesso::kWmNull));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(service_->icon_added());
}

// --- WM_CLOSE and hide on close ---

TEST_F(WindowChannelTest, CloseHidesTheWindowAndShowsTheOneTimeNoticeOnce) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmClose));
  EXPECT_THAT(shell_.calls, ElementsAre("ShowWindow 0", "Shell_NotifyIconW 1"));
  EXPECT_TRUE(IsHidden());
  EXPECT_TRUE(service_->icon_added());
  const tesso::NotifyIconRecord& notice = shell_.notify_calls.at(0).record;
  EXPECT_EQ(notice.flags, 0x10u);
  EXPECT_EQ(notice.info_flags, 0x14u);
  EXPECT_EQ(notice.id, 1u);
  EXPECT_EQ(FieldText(notice.info_title), u"Tesso\u4ECD\u5728\u540E\u53F0\u8FD0\u884C");
  EXPECT_EQ(FieldText(notice.info),
            u"\u7535\u8111\u4F1A\u4FDD\u6301\u5728\u7EBF\u3002\u70B9\u8FD9\u91CC\u7684\u56FE"
            u"\u6807\u6253\u5F00\uFF0C\u53F3\u952E\u53EF\u4EE5\u9000\u51FA\u3002");
  // The record itself never carries balloon text.
  EXPECT_EQ(FieldText(service_->icon_data().info), u"");
  EXPECT_EQ(service_->icon_data().flags, 0x87u);

  Offer(tesso::kWmCommand, 1);
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmClose));
  EXPECT_THAT(shell_.calls, ElementsAre("ShowWindow 0"));
  EXPECT_TRUE(IsHidden());
}

TEST_F(WindowChannelTest, HideWithoutTheIconLeavesTheNoticeForALaterHide) {
  shell_.refuse_add = true;
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmClose));
  EXPECT_THAT(shell_.calls,
              ElementsAre("Shell_NotifyIconW 0", "Shell_NotifyIconW 1", "ShowWindow 0"));
  EXPECT_TRUE(IsHidden());
  EXPECT_FALSE(service_->hide_notice_shown());

  shell_.refuse_add = false;
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmClose));
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 0", "Shell_NotifyIconW 4",
                                        "ShowWindow 0", "Shell_NotifyIconW 1"));
  EXPECT_TRUE(service_->hide_notice_shown());

  ClearRecords();
  Offer(tesso::kWmClose);
  EXPECT_THAT(shell_.calls, ElementsAre("ShowWindow 0"));
}

TEST_F(WindowChannelTest, CloseWithCloseToTrayOffIsPassedOn) {
  Create();
  Call("setCloseToTray", EncodableValue(false));
  ClearRecords();
  EXPECT_FALSE(Offer(tesso::kWmClose));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_FALSE(IsHidden());
}

// --- WM_ENDSESSION ---

TEST_F(WindowChannelTest, EndSessionThatIsNotEndingChangesNothing) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmEndSession, 0, 1));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_FALSE(service_->quitting());
  EXPECT_TRUE(service_->icon_added());
}

TEST_F(WindowChannelTest, EndingSessionRemovesTheIconAndDestroysTheWindow) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmEndSession, 1));
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 2", "DestroyWindow"));
  EXPECT_TRUE(service_->quitting());
  EXPECT_FALSE(service_->icon_added());
  // Closing no longer hides.
  EXPECT_FALSE(Offer(tesso::kWmClose));
}

TEST_F(WindowChannelTest, EndingSessionCountsAnyNonZeroWparam) {
  Create();
  EXPECT_TRUE(Offer(tesso::kWmEndSession, uint64_t{1} << 32));
  EXPECT_EQ(shell_.Count("DestroyWindow"), 1);
}

TEST_F(WindowChannelTest, EndingSessionSurvivesTheServiceBeingDestroyedByDestroyWindow) {
  Create();
  // As on Windows: WM_DESTROY runs inside DestroyWindow and the host window releases the
  // service there.
  shell_.on_destroy_window = [this] { service_.reset(); };
  ClearRecords();
  int64_t result = kUntouched;
  tesso::WindowChannel* service = service_.get();
  EXPECT_TRUE(service->HandleWindowMessage(tesso::kWmEndSession, 1, 0, &result));
  EXPECT_EQ(result, 0);
  EXPECT_EQ(service_, nullptr);
  EXPECT_THAT(shell_.calls,
              ElementsAre("Shell_NotifyIconW 2", "DestroyWindow",
                          "SetMessageHandler com.vel.halvo/window clear", "DestroyIcon"));
}

// --- WM_COMMAND ---

TEST_F(WindowChannelTest, CommandOneShowsTheWindowWhateverItsSource) {
  Create();
  Offer(tesso::kWmClose);
  ClearRecords();
  // High word 1 (an accelerator) and a control handle in lparam are not looked at.
  EXPECT_TRUE(Offer(tesso::kWmCommand, 0x10001, 0x1234));
  EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"));
  EXPECT_FALSE(IsHidden());
}

TEST_F(WindowChannelTest, CommandTwoRemovesTheIconAtOnceAndPostsAClose) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmCommand, 2));
  EXPECT_THAT(shell_.calls, ElementsAre("Shell_NotifyIconW 2", "PostMessageW 16 0 0"));
  EXPECT_TRUE(service_->quitting());
  EXPECT_TRUE(service_->close_to_tray());
  // The posted close closes the window through the normal path.
  ClearRecords();
  EXPECT_FALSE(Offer(tesso::kWmClose));
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, OtherCommandIdentifiersArePassedOn) {
  Create();
  ClearRecords();
  EXPECT_FALSE(Offer(tesso::kWmCommand, 0));
  EXPECT_FALSE(Offer(tesso::kWmCommand, 5));
  EXPECT_FALSE(Offer(tesso::kWmCommand, 0x10005));
  EXPECT_FALSE(Offer(tesso::kWmCommand, 0x10000));
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_TRUE(messenger_.sent.empty());
  EXPECT_FALSE(service_->quitting());
}

// --- The tray callback ---

TEST_F(WindowChannelTest, SelectingTheIconShowsTheWindow) {
  Create();
  for (int64_t event : {int64_t{0x400}, int64_t{0x401}, int64_t{(1 << 16) | 0x400}}) {
    Offer(tesso::kWmClose);
    ClearRecords();
    // wparam holds the anchor point of a version-4 icon; it is not used.
    EXPECT_TRUE(Offer(kTray, 0x00A0'0050, event)) << event;
    EXPECT_THAT(shell_.calls, ElementsAre("IsIconic", "ShowWindow 5", "SetForegroundWindow"))
        << event;
    EXPECT_FALSE(IsHidden()) << event;
  }
}

TEST_F(WindowChannelTest, OtherIconEventsAreConsumedWithoutEffect) {
  Create();
  ClearRecords();
  for (int64_t event :
       {int64_t{tesso::kWmLButtonDblClk}, int64_t{kMouseMove}, int64_t{tesso::kNinBalloonUserClick},
        int64_t{0x0402}, int64_t{0x0202}, int64_t{0x7B0000}}) {
    EXPECT_TRUE(Offer(kTray, 0, event)) << event;
  }
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, MessagesOfNoConcernArePassedOn) {
  Create();
  ClearRecords();
  for (uint32_t message : {uint32_t{0x0000}, uint32_t{0x0001}, uint32_t{0x0002}, uint32_t{0x001D},
                           uint32_t{0x007B}, uint32_t{0x8057}, uint32_t{0x8059}, uint32_t{0x8000},
                           uint32_t{0x8158}, uint32_t{0x10058}}) {
    EXPECT_FALSE(Offer(message, 2, 0x7B)) << message;
  }
  EXPECT_TRUE(shell_.calls.empty());
}

// --- The menu ---

TEST_F(WindowChannelTest, MenuWithoutViewerHasThreeEntriesWithOpenAsDefault) {
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(kTray, 0, tesso::kWmContextMenu));
  const std::string menu = std::to_string(static_cast<int64_t>(FakeShellPort::kMenu));
  EXPECT_THAT(shell_.calls,
              ElementsAre("CreatePopupMenu", "AppendMenuW " + menu + " 0 1",
                          "AppendMenuW " + menu + " 2048 0", "AppendMenuW " + menu + " 0 2",
                          "SetMenuDefaultItem " + menu + " 1 0", "GetCursorPos",
                          "SetForegroundWindow", "TrackPopupMenu " + menu + " 34 640 1050",
                          "PostMessageW 0 0 0", "DestroyMenu " + menu));
  ASSERT_EQ(shell_.menu_entries.size(), 3u);
  EXPECT_EQ(shell_.menu_entries[0].text, kOpen);
  EXPECT_EQ(shell_.menu_entries[2].text, kExit);
}

TEST_F(WindowChannelTest, MenuWithViewerHasSixEntries) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  ClearRecords();
  EXPECT_TRUE(Offer(kTray, 0, tesso::kWmContextMenu));
  ASSERT_EQ(shell_.menu_entries.size(), 6u);
  const uint32_t kSeparator = 0x800;
  const uint32_t flags[] = {0, 0, kSeparator, 0, kSeparator, 0};
  const uint32_t ids[] = {3, 4, 0, 1, 0, 2};
  const std::u16string texts[] = {kDisconnect, kStopHosting, u"", kOpen, u"", kExit};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(shell_.menu_entries[i].flags, flags[i]) << i;
    EXPECT_EQ(shell_.menu_entries[i].id, ids[i]) << i;
    if (flags[i] == 0) {
      EXPECT_EQ(shell_.menu_entries[i].text, texts[i]) << i;
    }
  }
  EXPECT_EQ(shell_.Count("SetMenuDefaultItem"), 1);
  const std::string menu = std::to_string(static_cast<int64_t>(FakeShellPort::kMenu));
  EXPECT_THAT(shell_.calls, testing::Contains("SetMenuDefaultItem " + menu + " 1 0"));

  // Once the viewer is gone, the menu is back to three entries.
  Call("setViewerActive", EncodableValue(false));
  ClearRecords();
  Offer(kTray, 0, tesso::kWmContextMenu);
  EXPECT_EQ(shell_.menu_entries.size(), 3u);
}

TEST_F(WindowChannelTest, MenuThatCannotBeCreatedIsStillConsumed) {
  Create();
  shell_.fail_create_menu = true;
  ClearRecords();
  EXPECT_TRUE(Offer(kTray, 0, tesso::kWmContextMenu));
  EXPECT_THAT(shell_.calls, ElementsAre("CreatePopupMenu"));
}

TEST_F(WindowChannelTest, MenuIsFreedEvenWhenTheServiceIsDestroyedDuringIt) {
  Create();
  // The menu's modal loop may dispatch WM_ENDSESSION, which destroys the window and with it
  // the service.
  shell_.on_track_popup_menu = [this] { service_.reset(); };
  ClearRecords();
  int64_t result = kUntouched;
  EXPECT_TRUE(service_->HandleWindowMessage(kTray, 0, tesso::kWmContextMenu, &result));
  EXPECT_EQ(result, 0);
  const std::string menu = std::to_string(static_cast<int64_t>(FakeShellPort::kMenu));
  ASSERT_GE(shell_.calls.size(), 2u);
  EXPECT_EQ(shell_.calls[shell_.calls.size() - 2], "PostMessageW 0 0 0");
  EXPECT_EQ(shell_.calls.back(), "DestroyMenu " + menu);
}

}  // namespace
}  // namespace tesso_test
