// A shell port for the window service's tests: records every call in order as a short line
// ("ShowWindow 5"), notification records included, and can be told to refuse or fail.
#ifndef TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/string_conversions.h"
#include "tray/shell_constants.h"
#include "tray/shell_port.h"

namespace tesso_test {

class FakeShellPort : public tesso::ShellPort {
 public:
  // Every window argument must be this one; another is marked in the log.
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0xAB0);
  // "TaskbarCreated" is registered as this number plus one, any other name as this number.
  static constexpr uint32_t kFirstRegisteredMessage = 0xC123;

  bool refuse_add = false;
  // Whether the shell holds the icon: an add of a held icon is refused as a duplicate, and a
  // modify, version or delete of an icon not held fails, as the real shell does.
  bool holds_icon = false;
  bool fail_register = false, fail_load_image = false, fail_create_menu = false, iconic = false;
  // Runs inside DestroyWindow and TrackPopupMenu, as Windows runs WM_DESTROY or a modal loop.
  std::function<void()> inside;
  // "Shell_NotifyIconW <request> <id> <callback message, hex> <icon> <flags, hex> <info flags,
  // hex> v<version> <tip>|<info title>|<info>", and "<name> <arguments>" for every other call.
  std::vector<std::string> calls;

  uint32_t RegisterWindowMessageW(const std::u16string& name) override {
    calls.push_back("RegisterWindowMessageW " + tesso::WideToUtf8(name));
    return fail_register ? 0 : kFirstRegisteredMessage + (name == u"TaskbarCreated");
  }
  bool ChangeWindowMessageFilterEx(tesso::WindowHandle w, uint32_t message, uint32_t a) override {
    return Log("ChangeWindowMessageFilterEx", w, message, a);
  }
  int32_t GetSystemMetrics(int32_t index) override {
    return Log("GetSystemMetrics", kWindow, index) && index == tesso::kSmCxSmIcon ? 20 : 22;
  }
  tesso::ModuleHandle GetModuleHandleW() override {
    return static_cast<tesso::ModuleHandle>(Log("GetModuleHandleW", kWindow) * 0x400000);
  }
  tesso::IconHandle LoadImageW(tesso::ModuleHandle module, uint32_t id, uint32_t type, int32_t cx,
                               int32_t cy, uint32_t flags) override {
    Log("LoadImageW", kWindow, module, id, type, cx, cy, flags);
    return static_cast<tesso::IconHandle>(fail_load_image ? 0 : 448);
  }
  void DestroyIcon(tesso::IconHandle icon) override { Log("DestroyIcon", kWindow, icon); }
  bool ShellNotifyIconW(uint32_t request, const tesso::NotifyIconRecord& r) override {
    char numbers[64];
    std::snprintf(numbers, sizeof(numbers), "Shell_NotifyIconW %u %u %X %u %X %X v%u ", request,
                  r.id, r.callback_message, static_cast<unsigned>(r.icon), r.flags, r.info_flags,
                  r.version);
    Log(numbers + Text(r.tip) + "|" + Text(r.info_title) + "|" + Text(r.info), r.window);
    const bool held = holds_icon;
    if (request == tesso::kNimAdd) holds_icon = held || !refuse_add;
    if (request == tesso::kNimDelete) holds_icon = false;
    return request == tesso::kNimAdd ? !held && !refuse_add : held;
  }
  bool IsIconic(tesso::WindowHandle w) override { return Log("IsIconic", w) && iconic; }
  bool ShowWindow(tesso::WindowHandle w, int32_t command) override {
    return Log("ShowWindow", w, command);
  }
  bool SetForegroundWindow(tesso::WindowHandle w) override { return Log("SetForegroundWindow", w); }
  bool PostMessageW(tesso::WindowHandle w, uint32_t message, uint64_t wp, int64_t lp) override {
    return Log("PostMessageW", w, message, wp, lp);
  }
  bool DestroyWindow(tesso::WindowHandle w) override { return Log("DestroyWindow", w) && Inside(); }
  tesso::MenuHandle CreatePopupMenu() override {
    Log("CreatePopupMenu", kWindow);
    return static_cast<tesso::MenuHandle>(fail_create_menu ? 0 : 992);
  }
  bool AppendMenuW(tesso::MenuHandle menu, uint32_t flags, uint32_t item,
                   const std::u16string& text) override {
    Log("AppendMenuW", kWindow, menu, flags, item);
    calls.back() += ' ' + tesso::WideToUtf8(text);
    return true;
  }
  bool SetMenuDefaultItem(tesso::MenuHandle menu, uint32_t item, bool by_position) override {
    return Log("SetMenuDefaultItem", kWindow, menu, item, by_position);
  }
  bool GetCursorPos(tesso::ScreenPoint* point) override {
    *point = {640, 1050};
    return Log("GetCursorPos", kWindow);
  }
  bool TrackPopupMenu(tesso::MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                      tesso::WindowHandle owner) override {
    return Log("TrackPopupMenu", owner, menu, flags, x, y) && Inside();
  }
  bool DestroyMenu(tesso::MenuHandle menu) override { return Log("DestroyMenu", kWindow, menu); }

 private:
  // Adds "name arg arg" (decimal) to the log; true.
  template <typename... Arguments>
  bool Log(const std::string& name, tesso::WindowHandle window, Arguments... arguments) {
    std::string line = name;
    ((line += ' ' + std::to_string(static_cast<int64_t>(arguments))), ...);
    calls.push_back(line + (window == kWindow ? "" : " (another window)"));
    return true;
  }
  bool Inside() {
    if (inside) inside();
    return true;
  }
  template <size_t N>
  static std::string Text(const std::array<char16_t, N>& field) {
    return tesso::WideToUtf8(tesso::FieldText(field));
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_
