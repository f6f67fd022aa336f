// The Windows numbers the window service passes through its shell port: message numbers,
// notification-icon requests and flags, window and menu commands. The portable code and its
// tests speak in these; the Win32 adapter checks each against the Windows headers.
#ifndef TESSO_TRAY_SHELL_CONSTANTS_H_
#define TESSO_TRAY_SHELL_CONSTANTS_H_

#include <cstdint>

namespace tesso {

// Window messages.
constexpr uint32_t kWmNull = 0x0000;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmEndSession = 0x0016;
constexpr uint32_t kWmContextMenu = 0x007B;
constexpr uint32_t kWmCommand = 0x0111;
constexpr uint32_t kWmLButtonDblClk = 0x0203;
constexpr uint32_t kWmApp = 0x8000;
// Events of a version-4 notification icon, in the low word of the callback's lparam.
constexpr uint32_t kNinSelect = 0x0400;
constexpr uint32_t kNinKeySelect = 0x0401;
constexpr uint32_t kNinBalloonUserClick = 0x0405;

// Shell_NotifyIconW requests.
constexpr uint32_t kNimAdd = 0;
constexpr uint32_t kNimModify = 1;
constexpr uint32_t kNimDelete = 2;
constexpr uint32_t kNimSetVersion = 4;

// NOTIFYICONDATAW uFlags.
constexpr uint32_t kNifMessage = 0x01;
constexpr uint32_t kNifIcon = 0x02;
constexpr uint32_t kNifTip = 0x04;
constexpr uint32_t kNifInfo = 0x10;
constexpr uint32_t kNifShowTip = 0x80;

// NOTIFYICONDATAW dwInfoFlags.
constexpr uint32_t kNiifUser = 0x04;
constexpr uint32_t kNiifNoSound = 0x10;

constexpr uint32_t kNotifyIconVersion4 = 4;

// ShowWindow commands.
constexpr int32_t kSwHide = 0;
constexpr int32_t kSwShow = 5;
constexpr int32_t kSwRestore = 9;

// Menus.
constexpr uint32_t kMfString = 0x0000;
constexpr uint32_t kMfSeparator = 0x0800;
constexpr uint32_t kTpmRightButton = 0x0002;
constexpr uint32_t kTpmBottomAlign = 0x0020;

// GetSystemMetrics indices.
constexpr int32_t kSmCxSmIcon = 49;
constexpr int32_t kSmCySmIcon = 50;

// LoadImageW.
constexpr uint32_t kImageIcon = 1;
constexpr uint32_t kLrDefaultColor = 0x0000;

// ChangeWindowMessageFilterEx actions.
constexpr uint32_t kMsgFltAllow = 1;

}  // namespace tesso

#endif  // TESSO_TRAY_SHELL_CONSTANTS_H_
