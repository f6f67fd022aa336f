// The window service on a fake shell port: every row of its message hook, its methods and the
// tray icon's life as scripted steps with the whole list of shell calls they make (records and
// texts included), and the channel's replies to arguments of every kind.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/fakes/deferred_reply_messenger.h"
#include "tests/fakes/fake_shell_port.h"
#include "tray/window_channel.h"

namespace tesso_test {
namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr char kChannel[] = "com.vel.halvo/window";
const std::string kOk = "success null";
const std::string kBadArgs = "error bad_args expected bool null";

EncodableValue Map(std::initializer_list<std::pair<EncodableValue, EncodableValue>> entries) {
  return EncodableValue(EncodableMap(entries.begin(), entries.end()));
}

// A notification request for the icon (id 1, callback WM_APP + 0x58, icon 448).
std::string Notify(int request, const std::string& record) {
  return "Shell_NotifyIconW " + std::to_string(request) + " 1 8058 448 " + record;
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
  // Null stands for a missing argument too: the codec sends a call without arguments as null.
  std::string Call(const std::string& method, const EncodableValue& arguments = {}) {
    return messenger_.ReplyTo(messenger_.Call(kChannel, method, &arguments));
  }

  // One step: a window message ('c' consumed or 'p' passed on goes to `offered`, and the out
  // result must be 0 or untouched accordingly), a method call, a shell switch or an event.
  void Step(const std::string& step, std::string* offered) {
    const size_t colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const uint64_t n = colon == std::string::npos ? 0 : std::stoull(step.substr(colon + 1), 0, 0);
    auto offer = [&](uint32_t message, uint64_t wparam, int64_t lparam) {
      int64_t result = 0x5EED;
      const bool consumed = service_->HandleWindowMessage(message, wparam, lparam, &result);
      EXPECT_EQ(result, consumed ? 0 : 0x5EED) << step;
      offered->push_back(consumed ? 'c' : 'p');
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
    if (verb == "tray") return offer(0x8058, 0x00A00050, static_cast<int64_t>(n));
    if (verb == "end") return offer(tesso::kWmEndSession, n, 0);
    if (verb == "msg") return offer(static_cast<uint32_t>(n), 2, 0x7B);
    if (verb == "frame") return service_->ShowOnFirstFrame();
    if (verb == "tray on" || verb == "tray off")
      return call("setCloseToTray", EncodableValue(verb == "tray on"));
    if (verb == "viewer on" || verb == "viewer off")
      return call("setViewerActive", EncodableValue(verb == "viewer on"));
    if (verb == "notice") return call("showNotice", Map({{"title", "t"}}));
    // Switches of the shell; "taskbar gone": Explorer restarted and no longer holds the icon.
    // clang-format off
    const std::map<std::string, std::pair<bool*, bool>> switches = {{"iconic", {&shell_.iconic, true}}, {"refuse add", {&shell_.refuse_add, true}},
        {"accept add", {&shell_.refuse_add, false}}, {"taskbar gone", {&shell_.holds_icon, false}}, {"no image", {&shell_.fail_load_image, true}},
        {"no register", {&shell_.fail_register, true}}, {"no menu", {&shell_.fail_create_menu, true}}};
    // clang-format on
    if (switches.count(verb)) return void(*switches.at(verb).first = switches.at(verb).second);
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
  std::vector<std::string> setup, actions;  // only the actions are recorded
  Calls calls;                              // every shell call and sent message of the actions
  std::string offered;                      // per message action: c consumed, p passed on
  bool hidden;                              // isHidden afterwards, unless destroyed
};

TEST_F(WindowChannelTest, EveryStepMakesExactlyItsShellCalls) {
  // clang-format off
  const std::string kIdle = "87 0 v0 Tesso||", kViewerTip = "87 0 v0 Tesso · 正在被远程查看||";
  const std::string kAdd = Notify(0, kIdle), kModify = Notify(1, kIdle), kDelete = Notify(2, kIdle), kVersion = Notify(4, "87 0 v4 Tesso||");
  const std::string kAddV = Notify(0, kViewerTip), kModifyV = Notify(1, kViewerTip), kVersionV = Notify(4, "87 0 v4 Tesso · 正在被远程查看||");
  // The notices: a copy of the record with the balloon; the hide notice without the tooltip.
  const std::string kNotice = Notify(1, "97 14 v0 Tesso|t|");
  const std::string kHide = Notify(1, "10 14 v0 Tesso|Tesso仍在后台运行|电脑会保持在线。点这里的图标打开，右键可以退出。");
  const std::string kViewerOn = Notify(1, "97 14 v0 Tesso · 正在被远程查看|这台电脑正在被远程查看|右键通知区域的Tesso图标，可以断开或停止被控。");
  const std::string kSet = "SetMessageHandler com.vel.halvo/window set", kClear = "SetMessageHandler com.vel.halvo/window clear";
  const std::string kMenu = "AppendMenuW 992 ", kSend = "Send com.vel.halvo/window ";
  const Calls kShow = {"IsIconic", "ShowWindow 5", "SetForegroundWindow"}, kRestore = {"IsIconic", "ShowWindow 9", "SetForegroundWindow"};
  const std::vector<std::string> kNoIcon = {"tray off", "refuse add", "tray on"};
  // Registers, lets both messages through the integrity filter, loads, adds, and binds last.
  const Calls kConstruct = {"RegisterWindowMessageW Halvo.ShowMainWindow", "RegisterWindowMessageW TaskbarCreated", "ChangeWindowMessageFilterEx 49443 1", "ChangeWindowMessageFilterEx 49444 1",
                            "GetSystemMetrics 49", "GetSystemMetrics 50", "GetModuleHandleW", "LoadImageW 4194304 101 1 20 22 0", kAdd, kVersion, kSet};
  // Open is the default; the owner comes to the front so that the menu closes on a click away.
  const Calls kMenuTail = {kMenu + "0 1 打开Tesso", kMenu + "2048 0 ", kMenu + "0 2 退出Tesso", "SetMenuDefaultItem 992 1 0", "GetCursorPos", "SetForegroundWindow", "TrackPopupMenu 992 34 640 1050"};
  const Calls kMenuEnd = {"PostMessageW 0 0 0", "DestroyMenu 992"};
  const Scenario scenarios[] = {
      {"construction", false, {}, {"destroy", "create"}, Calls{kClear, kDelete, "DestroyIcon 448"} + kConstruct, "", false},
      {"icon image missing", false, {"no image", "destroy", "create"}, {"destroy"}, {kClear, "Shell_NotifyIconW 2 1 8058 0 " + kIdle}, "", false},
      // A failed registration answers 0, which is WM_NULL too: the menu posts it after use.
      {"registration failed", false, {"no register", "destroy", "create"}, {"msg:0"}, {}, "p", false},
      // First frame and start hidden.
      {"first frame", false, {}, {"frame"}, kShow, "", false},
      {"first frame, minimised", false, {"iconic"}, {"frame"}, kRestore, "", false},
      {"start hidden", true, {}, {"frame"}, {}, "", true},
      {"start hidden, woken", true, {}, {"wake"}, kShow, "c", false},
      {"start hidden, tray off", true, {}, {"tray off", "frame"}, kShow + Calls{kDelete} + kShow, "", false},
      // setCloseToTray shows a hidden window before the icon goes; a refused add succeeds too.
      {"tray off, hidden", false, {"iconic", "close"}, {"tray off"}, kRestore + Calls{kDelete}, "", false},
      {"tray off, shown", false, {}, {"tray off"}, {kDelete}, "", false},
      {"tray off, viewer", false, {"viewer on", "close"}, {"tray off"}, kShow, "", false},
      {"tray on", false, {"tray off"}, {"tray on"}, {kAdd, kVersion}, "", false},
      {"tray on, refused", false, {"tray off", "refuse add"}, {"tray on"}, {kAdd, kModify}, "", false},
      {"tray on, in place", false, {}, {"tray on"}, {}, "", false},
      // WM_CLOSE hides, with the one-time notice once the icon is in place.
      {"close twice", false, {}, {"close", "cmd:1", "close"}, Calls{"ShowWindow 0", kHide} + kShow + Calls{"ShowWindow 0"}, "ccc", true},
      {"close without icon", false, kNoIcon, {"close", "accept add", "close", "close"}, {kAdd, kModify, "ShowWindow 0", kAdd, kVersion, "ShowWindow 0", kHide, "ShowWindow 0"}, "ccc", true},
      {"close, tray off", false, {"tray off"}, {"close"}, {}, "p", false},
      {"wake", false, {"close", "iconic"}, {"wake"}, kRestore, "c", false},
      // WM_ENDSESSION: any non-zero wparam ends; closing is then passed on.
      {"end session not ending", false, {}, {"end:0"}, {}, "c", false},
      {"end session", false, {}, {"end:1", "close"}, {kDelete, "DestroyWindow"}, "cp", false},
      {"end session, high wparam", false, {}, {"end:0x100000000"}, {kDelete, "DestroyWindow"}, "c", false},
      {"end session destroys", false, {"destroyed inside"}, {"end:1"}, {kDelete, "DestroyWindow", kClear, "DestroyIcon 448"}, "c", false},
      // WM_COMMAND: the low word only; the viewer commands call the interface with null and
      // ask for no reply.
      {"open from an accelerator", false, {"close"}, {"cmd:0x10001"}, kShow, "c", false},
      {"exit", false, {}, {"cmd:2", "close"}, {kDelete, "PostMessageW 16 0 0"}, "cp", false},
      {"viewer commands", false, {"viewer on"}, {"cmd:3", "cmd:4"}, {kSend + "disconnectViewers null", kSend + "stopHosting null"}, "cc", false},
      {"other commands", false, {}, {"cmd:0", "cmd:5", "cmd:0x10005", "cmd:0x10000"}, {}, "pppp", false},
      // The icon's events: the low word of lparam.
      {"select, key select, high word", false, {"close"}, {"tray:0x400", "close", "tray:0x401", "close", "tray:0x10400"}, kShow + Calls{"ShowWindow 0"} + kShow + Calls{"ShowWindow 0"} + kShow, "ccccc", false},
      {"other icon events", false, {}, {"tray:0x203", "tray:0x200", "tray:0x405", "tray:0x402", "tray:0x202", "tray:0x7B0000"}, {}, "cccccc", false},
      {"messages of no concern", false, {}, {"msg:0", "msg:1", "msg:2", "msg:0x1D", "msg:0x7B", "msg:0x8057", "msg:0x8059", "msg:0x8000", "msg:0x8158", "msg:0x10058"}, {}, "pppppppppp", false},
      {"menu", false, {}, {"tray:0x7B"}, Calls{"CreatePopupMenu"} + kMenuTail + kMenuEnd, "c", false},
      {"menu, viewer", false, {"viewer on"}, {"tray:0x7B"}, Calls{"CreatePopupMenu", kMenu + "0 3 断开远程查看", kMenu + "0 4 停止被远程控制", kMenu + "2048 0 "} + kMenuTail + kMenuEnd, "c", false},
      {"menu not created", false, {"no menu"}, {"tray:0x7B"}, {"CreatePopupMenu"}, "c", false},
      {"menu destroys", false, {"destroyed inside"}, {"tray:0x7B"}, Calls{"CreatePopupMenu"} + kMenuTail + Calls{kClear, kDelete, "DestroyIcon 448"} + kMenuEnd, "c", false},
      // "TaskbarCreated" from a restarted taskbar, or from any process while the shell still
      // holds the icon (the add is refused as a duplicate, a modify finds it). Either way the
      // icon comes with the tooltip of the moment.
      {"taskbar restarted", false, {"taskbar gone"}, {"taskbar"}, {kAdd, kVersion}, "p", false},
      {"stray taskbar", false, {}, {"taskbar"}, {kAdd, kModify, kVersion}, "p", false},
      {"taskbar restarted, viewer", false, {"viewer on", "taskbar gone"}, {"taskbar"}, {kAddV, kVersionV}, "p", false},
      {"taskbar restarted, viewer only", false, {"tray off", "viewer on", "taskbar gone"}, {"taskbar"}, {kAddV, kVersionV}, "p", false},
      {"stray taskbar, viewer only", false, {"tray off", "viewer on"}, {"taskbar"}, {kAddV, kModifyV, kVersionV}, "p", false},
      {"taskbar, no icon wanted", false, {"tray off", "taskbar gone"}, {"taskbar"}, {}, "p", false},
      {"taskbar restarted, add refused", false, {"taskbar gone", "refuse add"}, {"taskbar"}, {kAdd, kModify}, "p", false},
      {"after a stray taskbar", false, {"taskbar"}, {"notice", "tray off"}, {kNotice, kDelete}, "", false},
      // Notices and the viewer: the notice at every change to active.
      {"notice adds the icon", false, {"tray off"}, {"notice"}, {kAdd, kVersion, kNotice}, "", false},
      {"notice without icon", false, kNoIcon, {"notice", "tray off", "tray on"}, {kAdd, kModify, kAdd, kModify}, "", false},
      {"viewer", false, {}, {"viewer on", "viewer on", "viewer off"}, {kViewerOn, kModify}, "", false},
      {"viewer again", false, {"viewer on", "viewer off"}, {"viewer on"}, {kViewerOn}, "", false},
      {"viewer, tray off", false, {"tray off"}, {"viewer on", "viewer off"}, {kAddV, kVersionV, kViewerOn, kDelete}, "", false},
      {"viewer without icon, then restarted taskbar", false, kNoIcon, {"viewer on", "accept add", "taskbar"}, {kAddV, kModifyV, kAddV, kVersionV}, "p", false},
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
    shell_.calls.clear();
    messenger_.sent.clear();
    offered.clear();
    for (const std::string& step : s.actions) Step(step, &offered);
    for (const std::string& sent : messenger_.sent) shell_.calls.push_back("Send " + sent);
    EXPECT_EQ(shell_.calls, s.calls);
    EXPECT_EQ(offered, s.offered);
    if (!service_) continue;
    EXPECT_EQ(Call("isHidden"), s.hidden ? "success true" : "success false");
    // The service's view of the icon is the shell's.
    EXPECT_EQ(service_->icon_added(), shell_.holds_icon);
    service_.reset();
  }
}

TEST_F(WindowChannelTest, ArgumentsGetTheirExactRepliesAndShellCalls) {
  // clang-format off
  const std::vector<EncodableValue> kNotBool = {EncodableValue(), EncodableValue(int32_t{1}), EncodableValue(int32_t{0}), EncodableValue(int64_t{1}),
                                                EncodableValue(1.0), EncodableValue("true"), EncodableValue(EncodableList{EncodableValue(true)}), Map({{"value", true}})};
  // clang-format on
  Create(/*start_hidden=*/true);
  // Turning close-to-tray off shows the window that started hidden.
  for (bool current : {true, false}) {
    EXPECT_EQ(Call("setCloseToTray", EncodableValue(current)), kOk);
    EXPECT_EQ(Call("setViewerActive", EncodableValue(current)), kOk);
    shell_.calls.clear();
    for (const EncodableValue& argument : kNotBool) {
      SCOPED_TRACE(Describe(argument));
      EXPECT_EQ(Call("setCloseToTray", argument), kBadArgs);
      EXPECT_EQ(Call("setViewerActive", argument), kBadArgs);
      EXPECT_EQ(Call("isHidden", argument), current ? "success true" : "success false");
    }
    EXPECT_TRUE(shell_.calls.empty());
    EXPECT_EQ(service_->close_to_tray(), current);
    EXPECT_EQ(service_->viewer_active(), current);
  }
  for (const char* name : {"SetCloseToTray", "setclosetotray", "ShowNotice", "SETVIEWERACTIVE",
                           "ishidden", "isHidden ", " isHidden", "", "disconnectViewers"}) {
    EXPECT_EQ(Call(name, EncodableValue(false)), "not implemented") << name;
  }
  // showNotice: texts cut to their fields (63 and 255 units), converted leniently and up to a
  // NUL; no notice without a usable text, and success whatever the argument.
  std::string wide;  // three bytes, one unit each
  for (int i = 0; i < 300; ++i) wide += "界";
  const std::string kBalloon = Notify(1, "97 14 v0 Tesso|");
  // clang-format off
  std::vector<std::pair<EncodableValue, Calls>> notices = {
      {Map({{"title", "Hello"}, {"body", "连接已建立"}}), {kBalloon + "Hello|连接已建立"}}, {Map({{"title", "a title"}}), {kBalloon + "a title|"}},
      {Map({{"body", "a body"}}), {kBalloon + "|a body"}}, {Map({{"title", int32_t{5}}, {"body", "text"}}), {kBalloon + "|text"}},
      {Map({{"title", std::string(100, 'T')}, {"body", wide}}), {kBalloon + std::string(63, 'T') + "|" + wide.substr(0, 255 * 3)}},
      {Map({{"title", "a\xFF" "b"}, {"body", std::string("a\xE7" "b\0c", 5)}}), {kBalloon + "a\uFFFDb|a\uFFFDb"}},
      {EncodableValue(true), {}}, {Map({}), {}}, {Map({{"title", ""}, {"body", ""}}), {}}, {Map({{"Title", "x"}, {"text", "y"}}), {}},
      {Map({{1, "title"}}), {}}, {Map({{"title", 7}, {"body", EncodableList{}}}), {}}};
  // clang-format on
  for (const EncodableValue& argument : kNotBool) notices.push_back({argument, {}});
  EXPECT_EQ(Call("setCloseToTray", EncodableValue(true)), kOk);  // the icon is in place
  for (const auto& [argument, calls] : notices) {
    shell_.calls.clear();
    EXPECT_EQ(Call("showNotice", argument), kOk) << Describe(argument);
    EXPECT_EQ(shell_.calls, calls) << Describe(argument);
  }
}

}  // namespace
}  // namespace tesso_test
