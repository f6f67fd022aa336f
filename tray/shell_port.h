// The window service's seam to the Windows shell: window showing, the notification area,
// menus and registered messages. Each method is one platform call with portable records and
// no logic of its own; every decision (what to call, in which order, with which flags) is the
// caller's. All methods are called on the UI thread.
#ifndef TESSO_TRAY_SHELL_PORT_H_
#define TESSO_TRAY_SHELL_PORT_H_

#include <cstdint>
#include <string>

#include "base/handles.h"
#include "tray/notify_icon_record.h"

namespace tesso {

struct ScreenPoint {
  int32_t x = 0;
  int32_t y = 0;
};

class ShellPort {
 public:
  virtual ~ShellPort() = default;

  // RegisterWindowMessageW: the same number in every process for the same name; 0 on failure.
  virtual uint32_t RegisterWindowMessageW(const std::u16string& name) = 0;
  // ChangeWindowMessageFilterEx without a filter record; false when Windows refused.
  virtual bool ChangeWindowMessageFilterEx(WindowHandle window, uint32_t message,
                                           uint32_t action) = 0;

  // GetSystemMetrics: the metric, 0 on failure.
  virtual int32_t GetSystemMetrics(int32_t index) = 0;
  // GetModuleHandleW(nullptr): the executable's own module.
  virtual ModuleHandle GetModuleHandleW() = 0;
  // LoadImageW with a resource number; kNone on failure. The caller owns the icon.
  virtual IconHandle LoadImageW(ModuleHandle module, uint32_t resource_id, uint32_t type,
                                int32_t width, int32_t height, uint32_t load_flags) = 0;
  virtual void DestroyIcon(IconHandle icon) = 0;

  // Shell_NotifyIconW with `request` (kNimAdd, ...) and a NOTIFYICONDATAW made from `record`;
  // true when the shell accepted the request. The record is only read during the call.
  virtual bool ShellNotifyIconW(uint32_t request, const NotifyIconRecord& record) = 0;

  virtual bool IsIconic(WindowHandle window) = 0;
  // ShowWindow with a kSw... command; true when the window was visible before.
  virtual bool ShowWindow(WindowHandle window, int32_t command) = 0;
  virtual bool SetForegroundWindow(WindowHandle window) = 0;
  virtual bool PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                            int64_t lparam) = 0;
  // DestroyWindow: sends WM_DESTROY before it returns, so whatever the window owns may be
  // gone by then.
  virtual bool DestroyWindow(WindowHandle window) = 0;

  // CreatePopupMenu: kNone on failure. The caller destroys the menu.
  virtual MenuHandle CreatePopupMenu() = 0;
  // AppendMenuW; `text` is ignored for a separator.
  virtual bool AppendMenuW(MenuHandle menu, uint32_t flags, uint32_t item_id,
                           const std::u16string& text) = 0;
  // SetMenuDefaultItem; `by_position` false: `item` is a command identifier.
  virtual bool SetMenuDefaultItem(MenuHandle menu, uint32_t item, bool by_position) = 0;
  // GetCursorPos; false (and `point` unchanged) on failure.
  virtual bool GetCursorPos(ScreenPoint* point) = 0;
  // TrackPopupMenu without a rectangle, reserved value 0. Without TPM_RETURNCMD the choice
  // arrives later as WM_COMMAND to `owner`.
  virtual bool TrackPopupMenu(MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                              WindowHandle owner) = 0;
  virtual bool DestroyMenu(MenuHandle menu) = 0;
};

}  // namespace tesso

#endif  // TESSO_TRAY_SHELL_PORT_H_
