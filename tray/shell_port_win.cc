#include "tray/shell_port_win.h"

#include <cstddef>

#include "tray/shell_constants.h"

namespace tesso {
namespace {

static_assert(WM_NULL == kWmNull && WM_CLOSE == kWmClose && WM_ENDSESSION == kWmEndSession &&
              WM_CONTEXTMENU == kWmContextMenu && WM_COMMAND == kWmCommand &&
              WM_LBUTTONDBLCLK == kWmLButtonDblClk && WM_APP == kWmApp);
static_assert(NIN_SELECT == kNinSelect && NIN_KEYSELECT == kNinKeySelect &&
              NIN_BALLOONUSERCLICK == kNinBalloonUserClick);
static_assert(NIM_ADD == kNimAdd && NIM_MODIFY == kNimModify && NIM_DELETE == kNimDelete &&
              NIM_SETVERSION == kNimSetVersion);
static_assert(NIF_MESSAGE == kNifMessage && NIF_ICON == kNifIcon && NIF_TIP == kNifTip &&
              NIF_INFO == kNifInfo && NIF_SHOWTIP == kNifShowTip);
static_assert(NIIF_USER == kNiifUser && NIIF_NOSOUND == kNiifNoSound &&
              NOTIFYICON_VERSION_4 == kNotifyIconVersion4);
static_assert(SW_HIDE == kSwHide && SW_SHOW == kSwShow && SW_RESTORE == kSwRestore);
static_assert(MF_STRING == kMfString && MF_SEPARATOR == kMfSeparator &&
              TPM_RIGHTBUTTON == kTpmRightButton && TPM_BOTTOMALIGN == kTpmBottomAlign);
static_assert(SM_CXSMICON == kSmCxSmIcon && SM_CYSMICON == kSmCySmIcon);
static_assert(IMAGE_ICON == kImageIcon && LR_DEFAULTCOLOR == kLrDefaultColor);
static_assert(MSGFLT_ALLOW == kMsgFltAllow);

// The complete current record: the layout that ends with hBalloonIcon.
static_assert(sizeof(NOTIFYICONDATAW) == NOTIFYICONDATAW_V3_SIZE + sizeof(HICON));
static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(sizeof(NOTIFYICONDATAW::szTip) / sizeof(WCHAR) == kTipUnits &&
              sizeof(NOTIFYICONDATAW::szInfo) / sizeof(WCHAR) == kInfoUnits &&
              sizeof(NOTIFYICONDATAW::szInfoTitle) / sizeof(WCHAR) == kInfoTitleUnits);

template <size_t N>
void CopyField(const std::array<char16_t, N>& from, WCHAR (&to)[N]) {
  for (size_t i = 0; i < N; ++i) to[i] = static_cast<WCHAR>(from[i]);
}

HICON ToHicon(IconHandle icon) { return reinterpret_cast<HICON>(static_cast<uintptr_t>(icon)); }
HMENU ToHmenu(MenuHandle menu) { return reinterpret_cast<HMENU>(static_cast<uintptr_t>(menu)); }
HMODULE ToHmodule(ModuleHandle module) {
  return reinterpret_cast<HMODULE>(static_cast<uintptr_t>(module));
}
const WCHAR* ToWide(const std::u16string& text) {
  return reinterpret_cast<const WCHAR*>(text.c_str());
}

}  // namespace

NOTIFYICONDATAW ToNotifyIconData(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = {};
  data.cbSize = sizeof(data);
  data.hWnd = ToHwnd(record.window);
  data.uID = record.id;
  data.uFlags = record.flags;
  data.uCallbackMessage = record.callback_message;
  data.hIcon = ToHicon(record.icon);
  CopyField(record.tip, data.szTip);
  CopyField(record.info, data.szInfo);
  data.uVersion = record.version;
  CopyField(record.info_title, data.szInfoTitle);
  data.dwInfoFlags = record.info_flags;
  return data;
}

uint32_t ShellPortWin::RegisterWindowMessageW(const std::u16string& name) {
  return ::RegisterWindowMessageW(ToWide(name));
}

bool ShellPortWin::ChangeWindowMessageFilterEx(WindowHandle window, uint32_t message,
                                               uint32_t action) {
  return ::ChangeWindowMessageFilterEx(ToHwnd(window), message, action, nullptr) != FALSE;
}

int32_t ShellPortWin::GetSystemMetrics(int32_t index) { return ::GetSystemMetrics(index); }

ModuleHandle ShellPortWin::GetModuleHandleW() {
  return static_cast<ModuleHandle>(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr)));
}

IconHandle ShellPortWin::LoadImageW(ModuleHandle module, uint32_t resource_id, uint32_t type,
                                    int32_t width, int32_t height, uint32_t load_flags) {
  HANDLE image = ::LoadImageW(ToHmodule(module), MAKEINTRESOURCEW(resource_id), type, width, height,
                              load_flags);
  return static_cast<IconHandle>(reinterpret_cast<uintptr_t>(image));
}

void ShellPortWin::DestroyIcon(IconHandle icon) { ::DestroyIcon(ToHicon(icon)); }

bool ShellPortWin::ShellNotifyIconW(uint32_t request, const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = ToNotifyIconData(record);
  return ::Shell_NotifyIconW(request, &data) != FALSE;
}

bool ShellPortWin::IsIconic(WindowHandle window) { return ::IsIconic(ToHwnd(window)) != FALSE; }

bool ShellPortWin::ShowWindow(WindowHandle window, int32_t command) {
  return ::ShowWindow(ToHwnd(window), command) != FALSE;
}

bool ShellPortWin::SetForegroundWindow(WindowHandle window) {
  return ::SetForegroundWindow(ToHwnd(window)) != FALSE;
}

bool ShellPortWin::PostMessageW(WindowHandle window, uint32_t message, uint64_t wparam,
                                int64_t lparam) {
  return ::PostMessageW(ToHwnd(window), message, static_cast<WPARAM>(wparam),
                        static_cast<LPARAM>(lparam)) != FALSE;
}

bool ShellPortWin::DestroyWindow(WindowHandle window) {
  return ::DestroyWindow(ToHwnd(window)) != FALSE;
}

MenuHandle ShellPortWin::CreatePopupMenu() {
  return static_cast<MenuHandle>(reinterpret_cast<uintptr_t>(::CreatePopupMenu()));
}

bool ShellPortWin::AppendMenuW(MenuHandle menu, uint32_t flags, uint32_t item_id,
                               const std::u16string& text) {
  const WCHAR* item_text = (flags & MF_SEPARATOR) != 0 ? nullptr : ToWide(text);
  return ::AppendMenuW(ToHmenu(menu), flags, item_id, item_text) != FALSE;
}

bool ShellPortWin::SetMenuDefaultItem(MenuHandle menu, uint32_t item, bool by_position) {
  return ::SetMenuDefaultItem(ToHmenu(menu), item, by_position ? TRUE : FALSE) != FALSE;
}

bool ShellPortWin::GetCursorPos(ScreenPoint* point) {
  POINT position;
  if (!::GetCursorPos(&position)) return false;
  point->x = position.x;
  point->y = position.y;
  return true;
}

bool ShellPortWin::TrackPopupMenu(MenuHandle menu, uint32_t flags, int32_t x, int32_t y,
                                  WindowHandle owner) {
  return ::TrackPopupMenu(ToHmenu(menu), flags, x, y, 0, ToHwnd(owner), nullptr) != FALSE;
}

bool ShellPortWin::DestroyMenu(MenuHandle menu) { return ::DestroyMenu(ToHmenu(menu)) != FALSE; }

}  // namespace tesso
