// The shell port on Windows: each method is the Windows call of the same name. Win32 build
// only.
#ifndef TESSO_TRAY_SHELL_PORT_WIN_H_
#define TESSO_TRAY_SHELL_PORT_WIN_H_

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstdint>
#include <string>

#include "base/handles.h"
#include "tray/notify_icon_record.h"
#include "tray/shell_port.h"

namespace tesso {

inline WindowHandle ToWindowHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(window));
}
inline HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}

// The shell's record for `record`: cbSize of the complete current layout, every field that
// the record does not carry zero.
NOTIFYICONDATAW ToNotifyIconData(const NotifyIconRecord& record);

class ShellPortWin : public ShellPort {
 public:
  uint32_t RegisterWindowMessageW(const std::u16string& name) override;
  bool ChangeWindowMessageFilterEx(WindowHandle window, uint32_t message, uint32_t action) override;
  int32_t GetSystemMetrics(int32_t index) override;
  ModuleHandle GetModuleHandleW() override;
  IconHandle LoadImageW(ModuleHandle module, uint32_t resource_id, uint32_t type, int32_t width,
                        int32_t height, uint32_t load_flags) override;
  void DestroyIcon(IconHandle icon) override;
  bool ShellNotifyIconW(uint32_t request, const NotifyIconRecord& record) override;
  bool IsIconic(WindowHandle window) override;
  bool ShowWindow(WindowHandle window, int32_t command) override;
  bool SetForegroundWindow(WindowHandle window) override;
  bool PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                    int64_t lparam) override;
  bool DestroyWindow(WindowHandle window) override;
  MenuHandle CreatePopupMenu() override;
  bool AppendMenuW(MenuHandle menu, uint32_t flags, uint32_t item_id,
                   const std::u16string& text) override;
  bool SetMenuDefaultItem(MenuHandle menu, uint32_t item, bool by_position) override;
  bool GetCursorPos(ScreenPoint* point) override;
  bool TrackPopupMenu(MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                      WindowHandle owner) override;
  bool DestroyMenu(MenuHandle menu) override;
};

}  // namespace tesso

#endif  // TESSO_TRAY_SHELL_PORT_WIN_H_
