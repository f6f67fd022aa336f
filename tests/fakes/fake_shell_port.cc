#include "tests/fakes/fake_shell_port.h"

#include <sstream>

namespace tesso_test {

using tesso::IconHandle;
using tesso::MenuHandle;
using tesso::ModuleHandle;
using tesso::WindowHandle;

std::vector<NotifyCall> FakeShellPort::NotifyCalls(uint32_t request) const {
  std::vector<NotifyCall> found;
  for (const NotifyCall& call : notify_calls) {
    if (call.request == request) found.push_back(call);
  }
  return found;
}

int FakeShellPort::Count(const std::string& name) const {
  int count = 0;
  for (const std::string& call : calls) {
    if (call.substr(0, call.find(' ')) == name) ++count;
  }
  return count;
}

void FakeShellPort::Log(const std::string& name, std::initializer_list<int64_t> arguments) {
  std::ostringstream line;
  line << name;
  for (int64_t argument : arguments) line << ' ' << argument;
  calls.push_back(line.str());
}

uint32_t FakeShellPort::RegisterWindowMessageW(const std::u16string& name) {
  Log("RegisterWindowMessageW");
  if (fail_register) return 0;
  for (size_t i = 0; i < registered_names.size(); ++i) {
    if (registered_names[i] == name) return kFirstRegisteredMessage + static_cast<uint32_t>(i);
  }
  registered_names.push_back(name);
  return kFirstRegisteredMessage + static_cast<uint32_t>(registered_names.size() - 1);
}

bool FakeShellPort::ChangeWindowMessageFilterEx(WindowHandle window, uint32_t message,
                                                uint32_t action) {
  Log("ChangeWindowMessageFilterEx", {message, action});
  windows.push_back(window);
  return true;
}

int32_t FakeShellPort::GetSystemMetrics(int32_t index) {
  Log("GetSystemMetrics", {index});
  if (index == tesso::kSmCxSmIcon) return kSmallIconWidth;
  if (index == tesso::kSmCySmIcon) return kSmallIconHeight;
  return 0;
}

ModuleHandle FakeShellPort::GetModuleHandleW() {
  Log("GetModuleHandleW");
  return kModule;
}

IconHandle FakeShellPort::LoadImageW(ModuleHandle module, uint32_t resource_id, uint32_t type,
                                     int32_t width, int32_t height, uint32_t load_flags) {
  Log("LoadImageW", {resource_id, type, width, height, load_flags});
  loaded_images.push_back({module, resource_id, type, width, height, load_flags});
  return fail_load_image ? IconHandle::kNone : kIcon;
}

void FakeShellPort::DestroyIcon(IconHandle icon) {
  Log("DestroyIcon", {static_cast<int64_t>(icon)});
}

bool FakeShellPort::ShellNotifyIconW(uint32_t request, const tesso::NotifyIconRecord& record) {
  Log("Shell_NotifyIconW", {request});
  windows.push_back(record.window);
  notify_calls.push_back({request, record});
  if (request == tesso::kNimAdd) {
    if (refuse_add || holds_icon) return false;
    holds_icon = true;
    return true;
  }
  if (!holds_icon) return false;
  if (request == tesso::kNimDelete) holds_icon = false;
  return true;
}

bool FakeShellPort::IsIconic(WindowHandle window) {
  Log("IsIconic");
  windows.push_back(window);
  return iconic;
}

bool FakeShellPort::ShowWindow(WindowHandle window, int32_t command) {
  Log("ShowWindow", {command});
  windows.push_back(window);
  return true;
}

bool FakeShellPort::SetForegroundWindow(WindowHandle window) {
  Log("SetForegroundWindow");
  windows.push_back(window);
  return true;
}

bool FakeShellPort::PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                                 int64_t lparam) {
  Log("PostMessageW", {message, static_cast<int64_t>(wparam), lparam});
  windows.push_back(window);
  return true;
}

bool FakeShellPort::DestroyWindow(WindowHandle window) {
  Log("DestroyWindow");
  windows.push_back(window);
  if (on_destroy_window) on_destroy_window();
  return true;
}

MenuHandle FakeShellPort::CreatePopupMenu() {
  Log("CreatePopupMenu");
  return fail_create_menu ? MenuHandle::kNone : kMenu;
}

bool FakeShellPort::AppendMenuW(MenuHandle menu, uint32_t flags, uint32_t item_id,
                                const std::u16string& text) {
  Log("AppendMenuW", {static_cast<int64_t>(menu), flags, item_id});
  menu_entries.push_back({flags, item_id, text});
  return true;
}

bool FakeShellPort::SetMenuDefaultItem(MenuHandle menu, uint32_t item, bool by_position) {
  Log("SetMenuDefaultItem", {static_cast<int64_t>(menu), item, by_position ? 1 : 0});
  return true;
}

bool FakeShellPort::GetCursorPos(tesso::ScreenPoint* point) {
  Log("GetCursorPos");
  *point = cursor;
  return true;
}

bool FakeShellPort::TrackPopupMenu(MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                                   WindowHandle owner) {
  Log("TrackPopupMenu", {static_cast<int64_t>(menu), flags, x, y});
  windows.push_back(owner);
  if (on_track_popup_menu) on_track_popup_menu();
  return true;
}

bool FakeShellPort::DestroyMenu(MenuHandle menu) {
  Log("DestroyMenu", {static_cast<int64_t>(menu)});
  return true;
}

}  // namespace tesso_test
