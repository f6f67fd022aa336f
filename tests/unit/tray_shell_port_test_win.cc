// The shell port's Win32 adapter under Wine: the notification record it builds, and the
// registered-message, notification-icon and menu calls on a real window.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"
#include "tray/shell_port_win.h"

namespace {

using tesso::NotifyIconRecord;

std::u16string Units(const WCHAR* text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

TEST(ShellPortWinTest, NotificationRecordCarriesItsFieldsFullTextsAndZeroElsewhere) {
  NotifyIconRecord record;
  record.window = static_cast<tesso::WindowHandle>(0x1234);
  record.id = 1;
  record.flags = 0x97;
  record.callback_message = 0x8058;
  record.icon = static_cast<tesso::IconHandle>(0x5678);
  tesso::CopyToField(std::u16string(500, u'x'), &record.tip);
  tesso::CopyToField(std::u16string(500, u'y'), &record.info);
  tesso::CopyToField(u"title", &record.info_title);
  record.version = 4;
  record.info_flags = 0x14;
  const NOTIFYICONDATAW data = tesso::ToNotifyIconData(record);
  EXPECT_EQ(Units(data.szTip), std::u16string(127, u'x'));
  EXPECT_EQ(Units(data.szInfo), std::u16string(255, u'y'));
  EXPECT_EQ(Units(data.szInfoTitle), u"title");
  const GUID no_guid = {};
  const std::string fields =
      std::to_string(data.cbSize) + " " + std::to_string(reinterpret_cast<uintptr_t>(data.hWnd)) +
      " " + std::to_string(data.uID) + " " + std::to_string(data.uFlags) + " " +
      std::to_string(data.uCallbackMessage) + " " +
      std::to_string(reinterpret_cast<uintptr_t>(data.hIcon)) + " " +
      std::to_string(data.uVersion) + " " + std::to_string(data.dwInfoFlags) + " " +
      std::to_string(data.dwState | data.dwStateMask) + " " +
      std::to_string(std::memcmp(&data.guidItem, &no_guid, sizeof(GUID))) + " " +
      std::to_string(reinterpret_cast<uintptr_t>(data.hBalloonIcon));
  // The complete current record (version 3 and the balloon icon): 976 bytes.
  EXPECT_EQ(fields, std::to_string(NOTIFYICONDATAW_V3_SIZE + sizeof(HICON)) +
                        " 4660 1 151 32856 22136 4 20 0 0 0");
}

TEST(ShellPortWinTest, RegistersAndAddsModifiesAndDeletesTheIconOfARealWindow) {
  tesso::ShellPortWin port;
  const uint32_t show = port.RegisterWindowMessageW(u"Halvo.ShowMainWindow");
  EXPECT_EQ(show, ::RegisterWindowMessageW(L"Halvo.ShowMainWindow"));
  EXPECT_GE(show, 0xC000u);
  HWND window = ::CreateWindowExW(0, L"STATIC", L"tray port test", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                  100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  NotifyIconRecord record;
  record.window = tesso::ToWindowHandle(window);
  record.id = 1;
  record.flags = tesso::kNifMessage | tesso::kNifTip | tesso::kNifShowTip;
  record.callback_message = tesso::kWmApp + 0x58;
  tesso::CopyToField(u"Tesso", &record.tip);
  ASSERT_TRUE(port.ShellNotifyIconW(tesso::kNimAdd, record));
  NotifyIconRecord versioned = record;
  versioned.version = tesso::kNotifyIconVersion4;
  EXPECT_TRUE(port.ShellNotifyIconW(tesso::kNimSetVersion, versioned));
  EXPECT_TRUE(port.ShellNotifyIconW(tesso::kNimModify, record));
  EXPECT_TRUE(port.ShellNotifyIconW(tesso::kNimDelete, record));
  EXPECT_FALSE(port.ShellNotifyIconW(tesso::kNimDelete, record));  // gone
  EXPECT_TRUE(port.DestroyWindow(record.window));
  EXPECT_FALSE(::IsWindow(window));
}

TEST(ShellPortWinTest, MenuGetsItsItemsSeparatorAndDefault) {
  tesso::ShellPortWin port;
  const tesso::MenuHandle menu = port.CreatePopupMenu();
  HMENU native = reinterpret_cast<HMENU>(static_cast<uintptr_t>(menu));
  ASSERT_NE(native, nullptr);
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfString, 1, u"\u6253\u5F00Tesso"));
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfSeparator, 0, u""));
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfString, 2, u"x"));
  EXPECT_TRUE(port.SetMenuDefaultItem(menu, 1, /*by_position=*/false));
  WCHAR text[16] = {};
  ::GetMenuStringW(native, 1, text, 16, MF_BYCOMMAND);
  EXPECT_EQ(Units(text), u"\u6253\u5F00Tesso");
  EXPECT_EQ(std::to_string(::GetMenuItemCount(native)) + " " +
                std::to_string(::GetMenuDefaultItem(native, FALSE, 0)) + " " +
                std::to_string(::GetMenuState(native, 1, MF_BYPOSITION) & MF_SEPARATOR),
            "3 1 " + std::to_string(MF_SEPARATOR));
  EXPECT_TRUE(port.DestroyMenu(menu));
}

}  // namespace
