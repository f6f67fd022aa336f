// The window service on a fake shell port: every row of its message hook, its methods and
// the tray icon's life, as scripted steps with the whole list of shell calls they make.
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

constexpr uint32_t kTray = 0x8058;

struct Scenario {
  const char* name;
  bool start_hidden;
  std::vector<std::string> setup;    // before the records are cleared
  std::vector<std::string> actions;  // recorded
  std::vector<std::string> calls;    // every shell call of the actions, in order
  std::string offered;               // per message action: c consumed, p passed on
  int hidden;                        // isHidden afterwards; -1 once destroyed
};

class WindowChannelScenarioTest : public WindowChannelTest {
 protected:
  // One step: a window message, a method call, a shell switch or a service event.
  void Step(const std::string& step, std::string* offered) {
    const size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const uint64_t n = colon == std::string::npos ? 0 : std::stoull(step.substr(colon + 1), 0, 0);
    auto offer = [&](uint32_t message, uint64_t wparam, int64_t lparam) {
      offered->push_back(Offer(message, wparam, lparam) ? 'c' : 'p');
    };
    auto call = [&](const char* method, const EncodableValue& argument) {
      EXPECT_TRUE(Call(method, argument).IsSuccessNull()) << step;
    };
    if (verb == "close") return offer(tesso::kWmClose, 0, 0);
    if (verb == "wake") return offer(ShowWindowMessage(), 7, 9);
    if (verb == "taskbar") return offer(TaskbarCreatedMessage(), 0, 0);
    if (verb == "cmd") return offer(tesso::kWmCommand, n, 0x1234);
    // wparam holds the anchor point of a version-4 icon; it is not used.
    if (verb == "tray") return offer(kTray, 0x00A00050, static_cast<int64_t>(n));
    if (verb == "end") return offer(tesso::kWmEndSession, n, 0);
    if (verb == "msg") return offer(static_cast<uint32_t>(n), 2, 0x7B);
    if (verb == "frame") return service_->ShowOnFirstFrame();
    if (verb == "tray on" || verb == "tray off")
      return call("setCloseToTray", EncodableValue(verb == "tray on"));
    if (verb == "viewer on" || verb == "viewer off")
      return call("setViewerActive", EncodableValue(verb == "viewer on"));
    if (verb == "notice") return call("showNotice", TextMap({{"title", "t"}}));
    if (verb == "iconic") return void(shell_.iconic = true);
    if (verb == "refuse add") return void(shell_.refuse_add = true);
    if (verb == "accept add") return void(shell_.refuse_add = false);
    // Explorer restarted: the shell no longer holds the icon.
    if (verb == "taskbar gone") return void(shell_.holds_icon = false);
    if (verb == "destroy") return Destroy();
    ADD_FAILURE() << "unknown step " << step;
  }
};

const std::vector<std::string> kShow = {"IsIconic", "ShowWindow 5", "SetForegroundWindow"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(WindowChannelScenarioTest, EveryStepMakesExactlyItsShellCalls) {
  const std::string kAdd = "Shell_NotifyIconW 0", kModify = "Shell_NotifyIconW 1",
                    kDelete = "Shell_NotifyIconW 2", kVersion = "Shell_NotifyIconW 4";
  const std::vector<std::string> kRestore = {"IsIconic", "ShowWindow 9", "SetForegroundWindow"};
  const std::vector<std::string> kNoIcon = {"tray off", "refuse add", "tray on"};
  const Scenario scenarios[] = {
      // First frame and start hidden.
      {"first frame", false, {}, {"frame"}, kShow, "", 0},
      {"first frame, minimised", false, {"iconic"}, {"frame"}, kRestore, "", 0},
      {"start hidden", true, {}, {"frame"}, {}, "", 1},
      {"start hidden, woken", true, {}, {"wake"}, kShow, "c", 0},
      {"start hidden, tray off",
       true,
       {},
       {"tray off", "frame"},
       Join({kShow, {kDelete}, kShow}),
       "",
       0},
      // setCloseToTray: shows a hidden window before the icon goes; an add that is refused
      // still answers success.
      {"tray off, hidden",
       false,
       {"iconic", "close"},
       {"tray off"},
       Join({kRestore, {kDelete}}),
       "",
       0},
      {"tray off, shown", false, {}, {"tray off"}, {kDelete}, "", 0},
      {"tray off, viewer", false, {"viewer on", "close"}, {"tray off"}, kShow, "", 0},
      {"tray on", false, {"tray off"}, {"tray on"}, {kAdd, kVersion}, "", 0},
      {"tray on, refused", false, {"tray off", "refuse add"}, {"tray on"}, {kAdd, kModify}, "", 0},
      {"tray on, in place", false, {}, {"tray on"}, {}, "", 0},
      // WM_CLOSE: hides with the one-time notice once the icon is in place.
      {"close twice",
       false,
       {},
       {"close", "cmd:1", "close"},
       Join({{"ShowWindow 0", kModify}, kShow, {"ShowWindow 0"}}),
       "ccc",
       1},
      {"close without icon",
       false,
       kNoIcon,
       {"close", "accept add", "close", "close"},
       {kAdd, kModify, "ShowWindow 0", kAdd, kVersion, "ShowWindow 0", kModify, "ShowWindow 0"},
       "ccc",
       1},
      {"close, tray off", false, {"tray off"}, {"close"}, {}, "p", 0},
      {"wake", false, {"close", "iconic"}, {"wake"}, kRestore, "c", 0},
      // WM_ENDSESSION: any non-zero wparam ends; closing is then passed on.
      {"end session not ending", false, {}, {"end:0"}, {}, "c", 0},
      {"end session", false, {}, {"end:1", "close"}, {kDelete, "DestroyWindow"}, "cp", 0},
      {"end session, high wparam",
       false,
       {},
       {"end:0x100000000"},
       {kDelete, "DestroyWindow"},
       "c",
       0},
      // WM_COMMAND: the low word only.
      {"open from an accelerator", false, {"close"}, {"cmd:0x10001"}, kShow, "c", 0},
      {"exit", false, {}, {"cmd:2", "close"}, {kDelete, "PostMessageW 16 0 0"}, "cp", 0},
      {"other commands",
       false,
       {},
       {"cmd:0", "cmd:5", "cmd:0x10005", "cmd:0x10000"},
       {},
       "pppp",
       0},
      // The icon's events: the low word of lparam.
      {"select", false, {"close"}, {"tray:0x400"}, kShow, "c", 0},
      {"key select", false, {"close"}, {"tray:0x401"}, kShow, "c", 0},
      {"select, high word", false, {"close"}, {"tray:0x10400"}, kShow, "c", 0},
      {"other icon events",
       false,
       {},
       {"tray:0x203", "tray:0x200", "tray:0x405", "tray:0x402", "tray:0x202", "tray:0x7B0000"},
       {},
       "cccccc",
       0},
      {"messages of no concern",
       false,
       {},
       {"msg:0", "msg:1", "msg:2", "msg:0x1D", "msg:0x7B", "msg:0x8057", "msg:0x8059", "msg:0x8000",
        "msg:0x8158", "msg:0x10058"},
       {},
       "pppppppppp",
       0},
      // "TaskbarCreated" from a restarted taskbar, or from any process while the shell still
      // holds the icon (the add is refused as a duplicate, a modify finds it).
      {"taskbar restarted", false, {"taskbar gone"}, {"taskbar"}, {kAdd, kVersion}, "p", 0},
      {"stray taskbar", false, {}, {"taskbar"}, {kAdd, kModify, kVersion}, "p", 0},
      {"taskbar restarted, viewer only",
       false,
       {"tray off", "viewer on", "taskbar gone"},
       {"taskbar"},
       {kAdd, kVersion},
       "p",
       0},
      {"stray taskbar, viewer only",
       false,
       {"tray off", "viewer on"},
       {"taskbar"},
       {kAdd, kModify, kVersion},
       "p",
       0},
      {"taskbar, no icon wanted", false, {"tray off", "taskbar gone"}, {"taskbar"}, {}, "p", 0},
      {"taskbar restarted, add refused",
       false,
       {"taskbar gone", "refuse add"},
       {"taskbar"},
       {kAdd, kModify},
       "p",
       0},
      {"after a stray taskbar",
       false,
       {"taskbar"},
       {"notice", "tray off"},
       {kModify, kDelete},
       "",
       0},
      // Notices and the viewer.
      {"notice adds the icon", false, {"tray off"}, {"notice"}, {kAdd, kVersion, kModify}, "", 0},
      {"notice without icon",
       false,
       kNoIcon,
       {"notice", "tray off", "tray on"},
       {kAdd, kModify, kAdd, kModify},
       "",
       0},
      {"viewer", false, {}, {"viewer on", "viewer on", "viewer off"}, {kModify, kModify}, "", 0},
      {"viewer, tray off",
       false,
       {"tray off"},
       {"viewer on", "viewer off"},
       {kAdd, kVersion, kModify, kDelete},
       "",
       0},
      {"viewer without icon, then restarted taskbar",
       false,
       kNoIcon,
       {"viewer on", "accept add", "taskbar"},
       {kAdd, kModify, kAdd, kVersion},
       "p",
       0},
      // Destruction: the handler goes first.
      {"destroy",
       false,
       {},
       {"destroy"},
       {"SetMessageHandler com.vel.halvo/window clear", kDelete, "DestroyIcon 448"},
       "",
       -1},
      {"destroy without icon",
       false,
       {"tray off"},
       {"destroy"},
       {"SetMessageHandler com.vel.halvo/window clear", "DestroyIcon 448"},
       "",
       -1},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    shell_ = FakeShellPort();
    Create(s.start_hidden);
    std::string offered;
    for (const std::string& step : s.setup) Step(step, &offered);
    ClearRecords();
    offered.clear();
    for (const std::string& step : s.actions) Step(step, &offered);
    EXPECT_EQ(shell_.calls, s.calls);
    EXPECT_EQ(offered, s.offered);
    if (s.hidden < 0) continue;
    EXPECT_EQ(IsHidden(), s.hidden == 1);
    // The service's view of the icon is the shell's.
    EXPECT_EQ(service_->icon_added(), shell_.holds_icon);
    Destroy();
  }
}

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
  EXPECT_EQ(shell_.loaded_images.at(0).module, FakeShellPort::kModule);
}

TEST_F(WindowChannelTest, IconThatFailedToLoadIsStillAddedAndNeverDestroyed) {
  shell_.fail_load_image = true;
  Create();
  EXPECT_EQ(shell_.notify_calls.at(0).record.icon, tesso::IconHandle::kNone);
  Destroy();
  EXPECT_EQ(shell_.Count("DestroyIcon"), 0);
  EXPECT_EQ(shell_.NotifyCalls(tesso::kNimDelete).size(), 1u);
}

TEST_F(WindowChannelTest, FailedRegistrationsMatchNoMessage) {
  // A failed registration answers 0, which is also WM_NULL: the menu posts WM_NULL after
  // every use, and it must not show the window.
  shell_.fail_register = true;
  Create();
  ClearRecords();
  EXPECT_FALSE(Offer(tesso::kWmNull));
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, EndingSessionSurvivesTheServiceBeingDestroyedByDestroyWindow) {
  Create();
  // As on Windows: WM_DESTROY runs inside DestroyWindow and the host window releases the
  // service there.
  shell_.on_destroy_window = [this] { service_.reset(); };
  ClearRecords();
  int64_t result = kUntouched;
  EXPECT_TRUE(service_->HandleWindowMessage(tesso::kWmEndSession, 1, 0, &result));
  EXPECT_EQ(result, 0);
  EXPECT_THAT(shell_.calls,
              ElementsAre("Shell_NotifyIconW 2", "DestroyWindow",
                          "SetMessageHandler com.vel.halvo/window clear", "DestroyIcon 448"));
}

// Everything that is not a bool. Null stands for a missing argument too: the codec sends a
// call without arguments as null.
const std::vector<EncodableValue>& NonBools() {
  static const std::vector<EncodableValue> values = {
      EncodableValue(),
      EncodableValue(int32_t{1}),
      EncodableValue(int32_t{0}),
      EncodableValue(int64_t{1}),
      EncodableValue(1.0),
      EncodableValue("true"),
      EncodableValue(EncodableList{EncodableValue(true)}),
      EncodableValue(EncodableMap{{EncodableValue("value"), EncodableValue(true)}})};
  return values;
}

TEST_F(WindowChannelTest, BoolMethodsRejectEveryNonBoolWithoutChangingAnything) {
  Create();
  for (const char* method : {"setCloseToTray", "setViewerActive"}) {
    for (bool current : {false, true}) {
      SCOPED_TRACE(std::string(method) + (current ? " true" : " false"));
      Call(method, EncodableValue(current));
      ClearRecords();
      for (const EncodableValue& argument : NonBools()) {
        EXPECT_TRUE(Call(method, argument).IsBadArgs());
      }
      EXPECT_TRUE(Call(method, nullptr).IsBadArgs());
      EXPECT_TRUE(shell_.calls.empty());
      EXPECT_EQ(std::string(method) == "setCloseToTray" ? service_->close_to_tray()
                                                        : service_->viewer_active(),
                current);
    }
    Call(method, EncodableValue(std::string(method) == "setCloseToTray"));
  }
}

TEST_F(WindowChannelTest, ShowNoticeWithoutUsableTextsSucceedsAndShowsNothing) {
  Create();
  ClearRecords();
  std::vector<EncodableValue> arguments = NonBools();
  arguments.insert(
      arguments.end(),
      {EncodableValue(true), EncodableValue(EncodableMap{}), TextMap({{"title", ""}, {"body", ""}}),
       TextMap({{"Title", "x"}, {"text", "y"}}),
       EncodableValue(EncodableMap{{EncodableValue("title"), EncodableValue(int32_t{7})},
                                   {EncodableValue("body"), EncodableValue(EncodableList{})}}),
       EncodableValue(EncodableMap{{EncodableValue(int32_t{1}), EncodableValue("title")}})});
  for (const EncodableValue& argument : arguments) {
    EXPECT_TRUE(Call("showNotice", argument).IsSuccessNull());
  }
  EXPECT_TRUE(Call("showNotice", nullptr).IsSuccessNull());
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, NamesAreMatchedExactlyAndIsHiddenIgnoresItsArgument) {
  Create(/*start_hidden=*/true);
  ClearRecords();
  for (const char* name :
       {"SetCloseToTray", "setclosetotray", "ShowNotice", "SETVIEWERACTIVE", "ishidden",
        "isHidden ", " isHidden", "setCloseToTray2", "", "disconnectViewers", "stopHosting"}) {
    EXPECT_EQ(Call(name, EncodableValue(false)).kind, Reply::Kind::kNotImplemented) << name;
  }
  for (const EncodableValue& argument : NonBools()) {
    EXPECT_EQ(Call("isHidden", argument).value, EncodableValue(true));
  }
  EXPECT_TRUE(service_->close_to_tray());
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, MenuCommandsThreeAndFourCallTheInterfaceWithNullAndNoReply) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  ClearRecords();
  EXPECT_TRUE(Offer(tesso::kWmCommand, 3));
  EXPECT_TRUE(Offer(tesso::kWmCommand, 4));
  const auto calls = Outgoing();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].method + " " + calls[1].method, "disconnectViewers stopHosting");
  for (const OutgoingCall& call : calls) {
    EXPECT_TRUE(call.has_arguments && call.arguments.IsNull() && !call.wants_reply);
  }
  // An error from the interface is ignored.
  ReplyWithError(0);
  EXPECT_TRUE(service_->viewer_active());
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(WindowChannelTest, MenuHasOpenAsDefaultAndTheViewerEntriesWhileAViewerIsActive) {
  const std::u16string kOpen = u"\u6253\u5F00Tesso", kExit = u"\u9000\u51FATesso";
  const std::string menu = std::to_string(static_cast<int64_t>(FakeShellPort::kMenu));
  Create();
  ClearRecords();
  EXPECT_TRUE(Offer(kTray, 0, tesso::kWmContextMenu));
  EXPECT_THAT(shell_.calls,
              ElementsAre("CreatePopupMenu", "AppendMenuW " + menu + " 0 1",
                          "AppendMenuW " + menu + " 2048 0", "AppendMenuW " + menu + " 0 2",
                          "SetMenuDefaultItem " + menu + " 1 0", "GetCursorPos",
                          "SetForegroundWindow", "TrackPopupMenu " + menu + " 34 640 1050",
                          "PostMessageW 0 0 0", "DestroyMenu " + menu));
  EXPECT_EQ(shell_.menu_entries[0].text + shell_.menu_entries[2].text, kOpen + kExit);

  Call("setViewerActive", EncodableValue(true));
  ClearRecords();
  Offer(kTray, 0, tesso::kWmContextMenu);
  std::vector<std::string> entries;
  for (const MenuEntry& entry : shell_.menu_entries) {
    entries.push_back(std::to_string(entry.flags) + " " + std::to_string(entry.id));
  }
  EXPECT_THAT(entries, ElementsAre("0 3", "0 4", "2048 0", "0 1", "2048 0", "0 2"));
  EXPECT_EQ(shell_.menu_entries[0].text, u"\u65AD\u5F00\u8FDC\u7A0B\u67E5\u770B");
  EXPECT_EQ(shell_.menu_entries[1].text, u"\u505C\u6B62\u88AB\u8FDC\u7A0B\u63A7\u5236");
  EXPECT_EQ(shell_.Count("SetMenuDefaultItem"), 1);
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
