// A shell port for the window service's tests: records every call in order, answers with
// fixed handles, and can be told to refuse or fail.
#ifndef TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_
#define TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tray/shell_constants.h"
#include "tray/shell_port.h"

namespace tesso_test {

struct NotifyCall {
  uint32_t request = 0;
  tesso::NotifyIconRecord record;
};

struct MenuEntry {
  uint32_t flags = 0;
  uint32_t id = 0;
  std::u16string text;
};

struct LoadImageCall {
  tesso::ModuleHandle module = tesso::ModuleHandle::kNone;
  uint32_t resource_id = 0;
  uint32_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t load_flags = 0;
};

class FakeShellPort : public tesso::ShellPort {
 public:
  static constexpr tesso::ModuleHandle kModule = static_cast<tesso::ModuleHandle>(0x400000);
  static constexpr tesso::IconHandle kIcon = static_cast<tesso::IconHandle>(0x1C0);
  static constexpr tesso::MenuHandle kMenu = static_cast<tesso::MenuHandle>(0x3E0);
  // Registered messages get kFirstRegisteredMessage, then the next numbers, by name.
  static constexpr uint32_t kFirstRegisteredMessage = 0xC123;
  static constexpr int32_t kSmallIconWidth = 20;
  static constexpr int32_t kSmallIconHeight = 22;

  // Switches.
  bool refuse_add = false;  // NIM_ADD answers false
  // Whether the shell holds the icon: an add of a held icon is refused as a duplicate, and
  // a modify, version or delete of an icon not held fails, as the real shell does.
  bool holds_icon = false;
  bool fail_register = false;     // RegisterWindowMessageW answers 0
  bool fail_load_image = false;   // LoadImageW answers kNone
  bool fail_create_menu = false;  // CreatePopupMenu answers kNone
  bool iconic = false;            // IsIconic's answer
  tesso::ScreenPoint cursor{640, 1050};
  // Run inside DestroyWindow and TrackPopupMenu, as Windows runs WM_DESTROY and a modal loop.
  std::function<void()> on_destroy_window;
  std::function<void()> on_track_popup_menu;

  // Records.
  std::vector<std::string> calls;            // every call, in order, as "Name arg arg" (decimal)
  std::vector<tesso::WindowHandle> windows;  // every window argument, in order
  std::vector<std::u16string> registered_names;
  std::vector<LoadImageCall> loaded_images;
  std::vector<NotifyCall> notify_calls;
  std::vector<MenuEntry> menu_entries;  // of every menu, in order

  // The notification requests of one kind, in order.
  std::vector<NotifyCall> NotifyCalls(uint32_t request) const;
  // How many calls in the log start with `name` (the whole first word).
  int Count(const std::string& name) const;

  uint32_t RegisterWindowMessageW(const std::u16string& name) override;
  bool ChangeWindowMessageFilterEx(tesso::WindowHandle window, uint32_t message,
                                   uint32_t action) override;
  int32_t GetSystemMetrics(int32_t index) override;
  tesso::ModuleHandle GetModuleHandleW() override;
  tesso::IconHandle LoadImageW(tesso::ModuleHandle module, uint32_t resource_id, uint32_t type,
                               int32_t width, int32_t height, uint32_t load_flags) override;
  void DestroyIcon(tesso::IconHandle icon) override;
  bool ShellNotifyIconW(uint32_t request, const tesso::NotifyIconRecord& record) override;
  bool IsIconic(tesso::WindowHandle window) override;
  bool ShowWindow(tesso::WindowHandle window, int32_t command) override;
  bool SetForegroundWindow(tesso::WindowHandle window) override;
  bool PostMessageW(tesso::WindowHandle window, uint32_t message, uint64_t wparam,
                    int64_t lparam) override;
  bool DestroyWindow(tesso::WindowHandle window) override;
  tesso::MenuHandle CreatePopupMenu() override;
  bool AppendMenuW(tesso::MenuHandle menu, uint32_t flags, uint32_t item_id,
                   const std::u16string& text) override;
  bool SetMenuDefaultItem(tesso::MenuHandle menu, uint32_t item, bool by_position) override;
  bool GetCursorPos(tesso::ScreenPoint* point) override;
  bool TrackPopupMenu(tesso::MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                      tesso::WindowHandle owner) override;
  bool DestroyMenu(tesso::MenuHandle menu) override;

 private:
  void Log(const std::string& name, std::initializer_list<int64_t> arguments = {});
};

}  // namespace tesso_test

#endif  // TESSO_TESTS_FAKES_FAKE_SHELL_PORT_H_
