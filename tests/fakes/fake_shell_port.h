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
  // Registered messages get this number plus the name's index among the names asked for.
  static constexpr uint32_t kFirstRegisteredMessage = 0xC123;

  bool refuse_add = false;
  // Whether the shell holds the icon: an add of a held icon is refused as a duplicate, and a
  // modify, version or delete of an icon not held fails, as the real shell does.
  bool holds_icon = false;
  bool fail_register = false;
  bool fail_load_image = false;
  bool fail_create_menu = false;
  bool iconic = false;
  // Runs inside DestroyWindow and TrackPopupMenu, as Windows runs WM_DESTROY or a modal loop.
  std::function<void()> inside;

  // "Shell_NotifyIconW <request> <id> <callback message, hex> <icon> <flags, hex> <info flags,
  // hex> v<version> <tip>|<info title>|<info>", and one line per other call.
  std::vector<std::string> calls;
  std::vector<std::u16string> names;  // registered, in first-asked order

  uint32_t RegisterWindowMessageW(const std::u16string& name) override {
    Log("RegisterWindowMessageW " + tesso::WideToUtf8(name));
    size_t index = 0;
    while (index < names.size() && names[index] != name) ++index;
    if (index == names.size()) names.push_back(name);
    return fail_register ? 0 : kFirstRegisteredMessage + static_cast<uint32_t>(index);
  }
  bool ChangeWindowMessageFilterEx(tesso::WindowHandle w, uint32_t message,
                                   uint32_t action) override {
    return Log("ChangeWindowMessageFilterEx", w, {message, action});
  }
  int32_t GetSystemMetrics(int32_t index) override {
    return Log("GetSystemMetrics", kWindow, {index}) && index == tesso::kSmCxSmIcon ? 20 : 22;
  }
  tesso::ModuleHandle GetModuleHandleW() override {
    Log("GetModuleHandleW");
    return static_cast<tesso::ModuleHandle>(0x400000);
  }
  tesso::IconHandle LoadImageW(tesso::ModuleHandle module, uint32_t id, uint32_t type, int32_t cx,
                               int32_t cy, uint32_t flags) override {
    Log("LoadImageW", kWindow, {static_cast<int64_t>(module), id, type, cx, cy, flags});
    return static_cast<tesso::IconHandle>(fail_load_image ? 0 : 448);
  }
  void DestroyIcon(tesso::IconHandle icon) override {
    Log("DestroyIcon", kWindow, {static_cast<int64_t>(icon)});
  }
  bool ShellNotifyIconW(uint32_t request, const tesso::NotifyIconRecord& r) override {
    char numbers[64];
    std::snprintf(numbers, sizeof(numbers), " %u %u %X %u %X %X v%u ", request, r.id,
                  r.callback_message, static_cast<unsigned>(r.icon), r.flags, r.info_flags,
                  r.version);
    Log("Shell_NotifyIconW" +
            (numbers + Text(r.tip) + "|" + Text(r.info_title) + "|" + Text(r.info)),
        r.window);
    const bool held = holds_icon;
    if (request == tesso::kNimAdd) holds_icon = held || !refuse_add;
    if (request == tesso::kNimDelete) holds_icon = false;
    return request == tesso::kNimAdd ? !held && !refuse_add : held;
  }
  bool IsIconic(tesso::WindowHandle w) override { return Log("IsIconic", w) && iconic; }
  bool ShowWindow(tesso::WindowHandle w, int32_t command) override {
    return Log("ShowWindow", w, {command});
  }
  bool SetForegroundWindow(tesso::WindowHandle w) override { return Log("SetForegroundWindow", w); }
  bool PostMessageW(tesso::WindowHandle w, uint32_t message, uint64_t wparam,
                    int64_t lparam) override {
    return Log("PostMessageW", w, {message, static_cast<int64_t>(wparam), lparam});
  }
  bool DestroyWindow(tesso::WindowHandle w) override {
    Log("DestroyWindow", w);
    if (inside) inside();
    return true;
  }
  tesso::MenuHandle CreatePopupMenu() override {
    Log("CreatePopupMenu");
    return static_cast<tesso::MenuHandle>(fail_create_menu ? 0 : 992);
  }
  bool AppendMenuW(tesso::MenuHandle menu, uint32_t flags, uint32_t item,
                   const std::u16string& text) override {
    return Log("AppendMenuW " + std::to_string(static_cast<int64_t>(menu)) + ' ' +
               std::to_string(flags) + ' ' + std::to_string(item) + ' ' + tesso::WideToUtf8(text));
  }
  bool SetMenuDefaultItem(tesso::MenuHandle menu, uint32_t item, bool by_position) override {
    return Log("SetMenuDefaultItem", kWindow, {static_cast<int64_t>(menu), item, by_position});
  }
  bool GetCursorPos(tesso::ScreenPoint* point) override {
    *point = {640, 1050};
    return Log("GetCursorPos");
  }
  bool TrackPopupMenu(tesso::MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                      tesso::WindowHandle owner) override {
    Log("TrackPopupMenu", owner, {static_cast<int64_t>(menu), flags, x, y});
    if (inside) inside();
    return true;
  }
  bool DestroyMenu(tesso::MenuHandle menu) override {
    return Log("DestroyMenu", kWindow, {static_cast<int64_t>(menu)});
  }

 private:
  // Adds "name arg arg" (decimal) to the log; true.
  bool Log(const std::string& name, tesso::WindowHandle window = kWindow,
           std::initializer_list<int64_t> arguments = {}) {
    std::string line = name;
    for (int64_t argument : arguments) line += ' ' + std::to_string(argument);
    calls.push_back(line + (window == kWindow ? "" : " (another window)"));
    return true;
  }
  template <size_t N>
  static std::string Text(const std::array<char16_t, N>& field) {
    return tesso::WideToUtf8(tesso::FieldText(field));
  }
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_
