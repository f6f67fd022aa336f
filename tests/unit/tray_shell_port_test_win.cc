// The shell port's Win32 adapter under Wine, where the integration tests cannot look: the
// notification record's layout, a delete of an icon already gone, and the menu's items.
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
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}
std::string N(uintptr_t value) { return std::to_string(value) + " "; }

TEST(ShellPortWinTest, NotificationRecordCarriesItsFieldsFullTextsAndZeroElsewhere) {
  NotifyIconRecord record;
  record.window = static_cast<tesso::WindowHandle>(0x1234);
  record.icon = static_cast<tesso::IconHandle>(0x5678);
  record.id = 1;
  record.flags = 0x97;
  record.callback_message = 0x8058;
  tesso::CopyToField(std::u16string(500, u'x'), &record.tip);
  tesso::CopyToField(std::u16string(500, u'y'), &record.info);
  tesso::CopyToField(u"title", &record.info_title);
  record.version = 4;
  record.info_flags = 0x14;
  const NOTIFYICONDATAW d = tesso::ToNotifyIconData(record);
  const GUID no_guid = {};
  EXPECT_EQ(Units(d.szTip) + u"|" + Units(d.szInfo) + u"|" + Units(d.szInfoTitle),
            std::u16string(127, u'x') + u"|" + std::u16string(255, u'y') + u"|title");
  // The complete current record (version 3 and the balloon icon): 976 bytes.
  EXPECT_EQ(N(d.cbSize) + N(reinterpret_cast<uintptr_t>(d.hWnd)) + N(d.uID) + N(d.uFlags) +
                N(d.uCallbackMessage) + N(reinterpret_cast<uintptr_t>(d.hIcon)) + N(d.uVersion) +
                N(d.dwInfoFlags) + N(d.dwState | d.dwStateMask) +
                N(std::memcmp(&d.guidItem, &no_guid, sizeof(GUID)) != 0) +
                N(reinterpret_cast<uintptr_t>(d.hBalloonIcon)),
            N(NOTIFYICONDATAW_V3_SIZE + sizeof(HICON)) + "4660 1 151 32856 22136 4 20 0 0 0 ");
}

TEST(ShellPortWinTest, AnIconNoLongerHeldCannotBeDeletedAgain) {
  tesso::ShellPortWin port;
  HWND window = ::CreateWindowExW(0, L"STATIC", L"tray port test", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                  100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  NotifyIconRecord record;
  record.window = tesso::ToWindowHandle(window);
  record.id = 1;
  EXPECT_TRUE(port.ShellNotifyIconW(tesso::kNimAdd, record));
  EXPECT_TRUE(port.ShellNotifyIconW(tesso::kNimDelete, record));
  EXPECT_FALSE(port.ShellNotifyIconW(tesso::kNimDelete, record));
  EXPECT_TRUE(port.DestroyWindow(record.window));
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
  EXPECT_EQ(N(::GetMenuItemCount(native)) + N(::GetMenuDefaultItem(native, FALSE, 0)) +
                N(::GetMenuState(native, 1, MF_BYPOSITION) & MF_SEPARATOR),
            "3 1 " + N(MF_SEPARATOR));
  EXPECT_TRUE(port.DestroyMenu(menu));
}

}  // namespace
