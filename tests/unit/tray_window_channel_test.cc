// The window service on a fake shell port: every row of its message hook, its methods and the
// tray icon's life as scripted steps with the whole list of shell calls they make, the exact
// notification records with their texts, and the channel's replies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/string_conversions.h"
#include "messaging/encodable_value.h"
#include "messaging/standard_method_codec.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_shell_port.h"
#include "tests/unit/channel_call.h"
#include "tray/notify_icon_record.h"
#include "tray/window_channel.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using testing::ElementsAre;

constexpr char kChannel[] = "com.vel.halvo/window";
constexpr uint32_t kTray = 0x8058;
const std::string kOk = "success null";

EncodableValue Map(std::initializer_list<std::pair<EncodableValue, EncodableValue>> entries) {
  EncodableMap map;
  for (const auto& [key, value] : entries) map[key] = value;
  return EncodableValue(map);
}

// "<flags> <info flags> v<version> <tip>|<title>|<body>", flags in hex.
std::string RecordText(const tesso::NotifyIconRecord& r) {
  char flags[24];
  std::snprintf(flags, sizeof(flags), "%X %X v%u ", r.flags, r.info_flags, r.version);
  return flags + tesso::WideToUtf8(tesso::FieldText(r.tip)) + "|" +
         tesso::WideToUtf8(tesso::FieldText(r.info_title)) + "|" +
         tesso::WideToUtf8(tesso::FieldText(r.info));
}

class WindowChannelTest : public testing::Test {
 protected:
  void Create(bool start_hidden = false) {
    messenger_.on_handler_change = [this](const std::string& channel, bool set) {
      shell_.calls.push_back("SetMessageHandler " + channel + (set ? " set" : " clear"));
    };
    service_ = std::make_unique<tesso::WindowChannel>(&messenger_, FakeShellPort::kWindow,
                                                      start_hidden, &shell_);
  }
  std::string Call(const std::string& method, const EncodableValue* arguments) {
    return ReplyTo(messenger_, CallMethod(messenger_, kChannel, method, arguments));
  }
  std::string Call(const std::string& method, const EncodableValue& arguments) {
    return Call(method, &arguments);
  }
  // 'c' when consumed (the out result is then 0), 'p' when passed on (left untouched).
  char Offer(uint32_t message, uint64_t wparam, int64_t lparam) {
    int64_t result = 0x5EED;
    const bool consumed = service_->HandleWindowMessage(message, wparam, lparam, &result);
    EXPECT_EQ(result, consumed ? 0 : 0x5EED) << message;
    return consumed ? 'c' : 'p';
  }
  void Clear() {
    shell_.calls.clear();
    shell_.records.clear();
    messenger_.sent.clear();
  }
  // The notification records since the last Clear, described; checks their standing fields.
  std::vector<std::string> Records() {
    std::vector<std::string> described;
    for (const tesso::NotifyIconRecord& r : shell_.records) {
      EXPECT_TRUE(r.id == 1 && r.callback_message == kTray && r.icon == FakeShellPort::kIcon);
      described.push_back(RecordText(r));
    }
    // The service's own record never carries a balloon or a version.
    const tesso::NotifyIconRecord& own = service_->icon_data();
    EXPECT_EQ(RecordText(own).substr(0, 7), "87 0 v0");
    EXPECT_TRUE(tesso::FieldText(own.info).empty() && tesso::FieldText(own.info_title).empty());
    return described;
  }

  // One step: a window message, a method call, a shell switch or a service event.
  void Step(const std::string& step, std::string* offered) {
    const size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const uint64_t n = colon == std::string::npos ? 0 : std::stoull(step.substr(colon + 1), 0, 0);
    auto offer = [&](uint32_t message, uint64_t wparam, int64_t lparam) {
      offered->push_back(Offer(message, wparam, lparam));
    };
    auto call = [&](const char* method, const EncodableValue& argument) {
      EXPECT_EQ(Call(method, argument), kOk) << step;
    };
    if (verb == "close") return offer(tesso::kWmClose, 0, 0);
    // The registered messages, in the order asked for.
    if (verb == "wake") return offer(FakeShellPort::kFirstRegisteredMessage, 7, 9);
    if (verb == "taskbar") return offer(FakeShellPort::kFirstRegisteredMessage + 1, 0, 0);
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
    if (verb == "notice") return call("showNotice", Map({{"title", "t"}}));
    if (verb == "iconic") return void(shell_.iconic = true);
    if (verb == "refuse add") return void(shell_.refuse_add = true);
    if (verb == "accept add") return void(shell_.refuse_add = false);
    // Explorer restarted: the shell no longer holds the icon.
    if (verb == "taskbar gone") return void(shell_.holds_icon = false);
    if (verb == "no image") return void(shell_.fail_load_image = true);
    if (verb == "no register") return void(shell_.fail_register = true);
    if (verb == "no menu") return void(shell_.fail_create_menu = true);
    // The host window releases the service inside DestroyWindow (WM_DESTROY) or inside the
    // menu's modal loop (a WM_ENDSESSION there).
    if (verb == "destroyed inside") return void(shell_.inside = [this] { service_.reset(); });
    if (verb == "destroy") return service_.reset();
    if (verb == "create") return Create();
    ADD_FAILURE() << "unknown step " << step;
  }

  FakeShellPort shell_;
  DeferredReplyMessenger messenger_;
  std::unique_ptr<tesso::WindowChannel> service_;
};

struct Scenario {
  const char* name;
  bool start_hidden;
  std::vector<std::string> setup;    // before the records are cleared
  std::vector<std::string> actions;  // recorded
  std::vector<std::string> calls;    // every shell call of the actions, in order
  std::string offered;               // per message action: c consumed, p passed on
  bool hidden;                       // isHidden afterwards, unless destroyed
};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(WindowChannelTest, EveryStepMakesExactlyItsShellCalls) {
  const std::string kAdd = "Shell_NotifyIconW 0", kModify = "Shell_NotifyIconW 1",
                    kDelete = "Shell_NotifyIconW 2", kVersion = "Shell_NotifyIconW 4",
                    kSet = "SetMessageHandler com.vel.halvo/window set",
                    kClear = "SetMessageHandler com.vel.halvo/window clear",
                    kMenu = "AppendMenuW 992 ";
  const std::vector<std::string> kShow = {"IsIconic", "ShowWindow 5", "SetForegroundWindow"};
  const std::vector<std::string> kRestore = {"IsIconic", "ShowWindow 9", "SetForegroundWindow"};
  const std::vector<std::string> kNoIcon = {"tray off", "refuse add", "tray on"};
  const std::vector<std::string> kConstruct = {"RegisterWindowMessageW Halvo.ShowMainWindow",
                                               "RegisterWindowMessageW TaskbarCreated",
                                               "ChangeWindowMessageFilterEx 49443 1",
                                               "ChangeWindowMessageFilterEx 49444 1",
                                               "GetSystemMetrics 49",
                                               "GetSystemMetrics 50",
                                               "GetModuleHandleW",
                                               "LoadImageW 4194304 101 1 20 22 0",
                                               kAdd,
                                               kVersion,
                                               kSet};
  const std::vector<std::string> kMenuTail = {
      kMenu + "0 1 打开Tesso",         kMenu + "2048 0 ", kMenu + "0 2 退出Tesso",
      "SetMenuDefaultItem 992 1 0",    "GetCursorPos",    "SetForegroundWindow",
      "TrackPopupMenu 992 34 640 1050"};
  // clang-format off
  const Scenario scenarios[] = {
      // Construction: registers, lets both messages in, loads the icon, adds it, then binds.
      {"construction", false, {}, {"destroy", "create"}, Join({{kClear, kDelete, "DestroyIcon 448"}, kConstruct}), "", false},
      {"icon image missing", false, {"no image", "destroy", "create"}, {"destroy"}, {kClear, kDelete}, "", false},
      // A failed registration answers 0, which is WM_NULL too: the menu posts it after use.
      {"registration failed", false, {"no register", "destroy", "create"}, {"msg:0"}, {}, "p", false},
      // First frame and start hidden.
      {"first frame", false, {}, {"frame"}, kShow, "", false},
      {"first frame, minimised", false, {"iconic"}, {"frame"}, kRestore, "", false},
      {"start hidden", true, {}, {"frame"}, {}, "", true},
      {"start hidden, woken", true, {}, {"wake"}, kShow, "c", false},
      {"start hidden, tray off", true, {}, {"tray off", "frame"}, Join({kShow, {kDelete}, kShow}), "", false},
      // setCloseToTray shows a hidden window before the icon goes; a refused add succeeds too.
      {"tray off, hidden", false, {"iconic", "close"}, {"tray off"}, Join({kRestore, {kDelete}}), "", false},
      {"tray off, shown", false, {}, {"tray off"}, {kDelete}, "", false},
      {"tray off, viewer", false, {"viewer on", "close"}, {"tray off"}, kShow, "", false},
      {"tray on", false, {"tray off"}, {"tray on"}, {kAdd, kVersion}, "", false},
      {"tray on, refused", false, {"tray off", "refuse add"}, {"tray on"}, {kAdd, kModify}, "", false},
      {"tray on, in place", false, {}, {"tray on"}, {}, "", false},
      // WM_CLOSE hides, with the one-time notice once the icon is in place.
      {"close twice", false, {}, {"close", "cmd:1", "close"}, Join({{"ShowWindow 0", kModify}, kShow, {"ShowWindow 0"}}), "ccc", true},
      {"close without icon", false, kNoIcon, {"close", "accept add", "close", "close"}, {kAdd, kModify, "ShowWindow 0", kAdd, kVersion, "ShowWindow 0", kModify, "ShowWindow 0"}, "ccc", true},
      {"close, tray off", false, {"tray off"}, {"close"}, {}, "p", false},
      {"wake", false, {"close", "iconic"}, {"wake"}, kRestore, "c", false},
      // WM_ENDSESSION: any non-zero wparam ends; closing is then passed on.
      {"end session not ending", false, {}, {"end:0"}, {}, "c", false},
      {"end session", false, {}, {"end:1", "close"}, {kDelete, "DestroyWindow"}, "cp", false},
      {"end session, high wparam", false, {}, {"end:0x100000000"}, {kDelete, "DestroyWindow"}, "c", false},
      {"end session destroys", false, {"destroyed inside"}, {"end:1"}, {kDelete, "DestroyWindow", kClear, "DestroyIcon 448"}, "c", false},
      // WM_COMMAND: the low word only.
      {"open from an accelerator", false, {"close"}, {"cmd:0x10001"}, kShow, "c", false},
      {"exit", false, {}, {"cmd:2", "close"}, {kDelete, "PostMessageW 16 0 0"}, "cp", false},
      {"other commands", false, {}, {"cmd:0", "cmd:5", "cmd:0x10005", "cmd:0x10000"}, {}, "pppp", false},
      // The icon's events: the low word of lparam.
      {"select", false, {"close"}, {"tray:0x400"}, kShow, "c", false},
      {"key select", false, {"close"}, {"tray:0x401"}, kShow, "c", false},
      {"select, high word", false, {"close"}, {"tray:0x10400"}, kShow, "c", false},
      {"other icon events", false, {}, {"tray:0x203", "tray:0x200", "tray:0x405", "tray:0x402", "tray:0x202", "tray:0x7B0000"}, {}, "cccccc", false},
      {"messages of no concern", false, {}, {"msg:0", "msg:1", "msg:2", "msg:0x1D", "msg:0x7B", "msg:0x8057", "msg:0x8059", "msg:0x8000", "msg:0x8158", "msg:0x10058"}, {}, "pppppppppp", false},
      // The menu: Open is the default; the viewer entries while a viewer is active.
      {"menu", false, {}, {"tray:0x7B"}, Join({{"CreatePopupMenu"}, kMenuTail, {"PostMessageW 0 0 0", "DestroyMenu 992"}}), "c", false},
      {"menu, viewer", false, {"viewer on"}, {"tray:0x7B"}, Join({{"CreatePopupMenu", kMenu + "0 3 断开远程查看", kMenu + "0 4 停止被远程控制", kMenu + "2048 0 "}, kMenuTail, {"PostMessageW 0 0 0", "DestroyMenu 992"}}), "c", false},
      {"menu not created", false, {"no menu"}, {"tray:0x7B"}, {"CreatePopupMenu"}, "c", false},
      {"menu destroys", false, {"destroyed inside"}, {"tray:0x7B"}, Join({{"CreatePopupMenu"}, kMenuTail, {kClear, kDelete, "DestroyIcon 448", "PostMessageW 0 0 0", "DestroyMenu 992"}}), "c", false},
      // "TaskbarCreated" from a restarted taskbar, or from any process while the shell still
      // holds the icon (the add is refused as a duplicate, a modify finds it).
      {"taskbar restarted", false, {"taskbar gone"}, {"taskbar"}, {kAdd, kVersion}, "p", false},
      {"stray taskbar", false, {}, {"taskbar"}, {kAdd, kModify, kVersion}, "p", false},
      {"taskbar restarted, viewer only", false, {"tray off", "viewer on", "taskbar gone"}, {"taskbar"}, {kAdd, kVersion}, "p", false},
      {"stray taskbar, viewer only", false, {"tray off", "viewer on"}, {"taskbar"}, {kAdd, kModify, kVersion}, "p", false},
      {"taskbar, no icon wanted", false, {"tray off", "taskbar gone"}, {"taskbar"}, {}, "p", false},
      {"taskbar restarted, add refused", false, {"taskbar gone", "refuse add"}, {"taskbar"}, {kAdd, kModify}, "p", false},
      {"after a stray taskbar", false, {"taskbar"}, {"notice", "tray off"}, {kModify, kDelete}, "", false},
      // Notices and the viewer.
      {"notice adds the icon", false, {"tray off"}, {"notice"}, {kAdd, kVersion, kModify}, "", false},
      {"notice without icon", false, kNoIcon, {"notice", "tray off", "tray on"}, {kAdd, kModify, kAdd, kModify}, "", false},
      {"viewer", false, {}, {"viewer on", "viewer on", "viewer off"}, {kModify, kModify}, "", false},
      {"viewer, tray off", false, {"tray off"}, {"viewer on", "viewer off"}, {kAdd, kVersion, kModify, kDelete}, "", false},
      {"viewer without icon, then restarted taskbar", false, kNoIcon, {"viewer on", "accept add", "taskbar"}, {kAdd, kModify, kAdd, kVersion}, "p", false},
      // Destruction: the handler goes first.
      {"destroy", false, {}, {"destroy"}, {kClear, kDelete, "DestroyIcon 448"}, "", false},
      {"destroy without icon", false, {"tray off"}, {"destroy"}, {kClear, "DestroyIcon 448"}, "", false},
  };
  // clang-format on
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    shell_ = FakeShellPort();
    Create(s.start_hidden);
    std::string offered;
    for (const std::string& step : s.setup) Step(step, &offered);
    Clear();
    offered.clear();
    for (const std::string& step : s.actions) Step(step, &offered);
    EXPECT_EQ(shell_.calls, s.calls);
    EXPECT_EQ(offered, s.offered);
    if (!service_) continue;
    EXPECT_EQ(Call("isHidden", nullptr), s.hidden ? "success true" : "success false");
    // The service's view of the icon is the shell's.
    EXPECT_EQ(service_->icon_added(), shell_.holds_icon);
    service_.reset();
  }
}

TEST_F(WindowChannelTest, EachNoticeIsAModifyOfACopyWithItsExactRecord) {
  const std::string kIdle = "Tesso|", kViewer = "Tesso · 正在被远程查看|";
  const std::string kHide =
      "10 14 v0 Tesso|Tesso仍在后台运行|电脑会保持在线。点这里的图标打开，右键可以退出。";
  const std::string kViewerOn =
      "97 14 v0 " + kViewer +
      "这台电脑正在被远程查看|右键通知区域的Tesso图标，可以断开或停止被控。";
  std::string wide;
  for (int i = 0; i < 300; ++i) wide += "\xE7\x95\x8C";  // three bytes, one unit
  struct Row {
    const char* name;
    std::vector<std::string> setup, actions;
    EncodableValue notice;  // "showNotice" after the actions, unless null
    std::vector<std::string> records;
  };
  // clang-format off
  const Row rows[] = {
      {"notice", {}, {}, Map({{"title", "Hello"}, {"body", "连接已建立"}}), {"97 14 v0 " + kIdle + "Hello|连接已建立"}},
      {"title only", {}, {}, Map({{"title", "a title"}}), {"97 14 v0 " + kIdle + "a title|"}},
      {"body only", {}, {}, Map({{"body", "a body"}}), {"97 14 v0 " + kIdle + "|a body"}},
      {"title not text", {}, {}, Map({{"title", int32_t{5}}, {"body", "text"}}), {"97 14 v0 " + kIdle + "|text"}},
      {"cut to the fields", {}, {}, Map({{"title", std::string(100, 'T')}, {"body", wide}}), {"97 14 v0 " + kIdle + std::string(63, 'T') + "|" + wide.substr(0, 255 * 3)}},
      {"lenient, up to a NUL", {}, {}, Map({{"title", "a\xFF" "b"}, {"body", std::string("a\xE7" "b\0c", 5)}}), {"97 14 v0 " + kIdle + "a\uFFFDb|a\uFFFDb"}},
      {"hide notice", {}, {"close"}, EncodableValue(), {kHide}},
      {"viewer on", {}, {"viewer on"}, EncodableValue(), {kViewerOn}},
      {"viewer off", {"viewer on"}, {"viewer off"}, EncodableValue(), {"87 0 v0 " + kIdle + "|"}},
      {"viewer again", {"viewer on", "viewer off"}, {"viewer on"}, EncodableValue(), {kViewerOn}},
      {"re-added with the tooltip of the moment", {"viewer on", "taskbar gone"}, {"taskbar"}, EncodableValue(), {"87 0 v0 " + kViewer + "|", "87 0 v4 " + kViewer + "|"}},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    shell_ = FakeShellPort();
    Create();
    std::string offered;
    for (const std::string& step : row.setup) Step(step, &offered);
    Clear();
    for (const std::string& step : row.actions) Step(step, &offered);
    if (!row.notice.IsNull()) {
      EXPECT_EQ(Call("showNotice", row.notice), kOk);
    }
    EXPECT_EQ(Records(), row.records);
    service_.reset();
  }
}

TEST_F(WindowChannelTest, ArgumentsOfTheWrongKindAreRefusedOrIgnoredWithoutAShellCall) {
  // Null stands for a missing argument too: the codec sends a call without arguments as null.
  const std::vector<EncodableValue> kNotBool = {EncodableValue(),
                                                EncodableValue(int32_t{1}),
                                                EncodableValue(int32_t{0}),
                                                EncodableValue(int64_t{1}),
                                                EncodableValue(1.0),
                                                EncodableValue("true"),
                                                EncodableValue(EncodableList{EncodableValue(true)}),
                                                Map({{"value", true}})};
  Create(/*start_hidden=*/true);
  // Turning close-to-tray off shows the window that started hidden.
  for (bool current : {true, false}) {
    EXPECT_EQ(Call("setCloseToTray", EncodableValue(current)), kOk);
    EXPECT_EQ(Call("setViewerActive", EncodableValue(current)), kOk);
    Clear();
    for (const EncodableValue& argument : kNotBool) {
      SCOPED_TRACE(Describe(argument));
      for (const char* method : {"setCloseToTray", "setViewerActive"}) {
        EXPECT_EQ(Call(method, argument), "error bad_args expected bool null") << method;
      }
      EXPECT_EQ(Call("isHidden", argument), current ? "success true" : "success false");
      EXPECT_EQ(Call("showNotice", argument), kOk);
    }
    EXPECT_EQ(Call("setViewerActive", nullptr), "error bad_args expected bool null");
    for (const EncodableValue& notice :
         {EncodableValue(true), Map({}), Map({{"title", ""}, {"body", ""}}),
          Map({{"Title", "x"}, {"text", "y"}}), Map({{"title", 7}, {"body", EncodableList{}}}),
          Map({{1, "title"}})}) {
      EXPECT_EQ(Call("showNotice", notice), kOk) << Describe(notice);
    }
    EXPECT_TRUE(shell_.calls.empty());
    EXPECT_EQ(service_->close_to_tray(), current);
    EXPECT_EQ(service_->viewer_active(), current);
  }
  for (const char* name : {"SetCloseToTray", "setclosetotray", "ShowNotice", "SETVIEWERACTIVE",
                           "ishidden", "isHidden ", " isHidden", "", "disconnectViewers"}) {
    EXPECT_EQ(Call(name, EncodableValue(false)), "not implemented") << name;
  }
}

TEST_F(WindowChannelTest, MenuCommandsThreeAndFourCallTheInterfaceWithNullAndNoReply) {
  Create();
  Call("setViewerActive", EncodableValue(true));
  Clear();
  std::string offered;
  Step("cmd:3", &offered);
  Step("cmd:4", &offered);
  std::vector<std::string> sent;
  for (const auto& message : messenger_.sent) {
    const auto call = flutter::StandardMethodCodec::GetInstance().DecodeMethodCall(message.message);
    ASSERT_TRUE(call && call->arguments());
    sent.push_back(message.channel + " " + call->method_name() + " " +
                   Describe(*call->arguments()) + (message.wants_reply ? " reply" : ""));
  }
  EXPECT_THAT(sent, ElementsAre("com.vel.halvo/window disconnectViewers null",
                                "com.vel.halvo/window stopHosting null"));
  EXPECT_EQ(offered, "cc");
  EXPECT_TRUE(shell_.calls.empty());
}

}  // namespace
}  // namespace tesso_test
