// The shell port's Win32 adapter under Wine: the notification record it builds, and the
// window, message and menu calls on a real window.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"
#include "tray/shell_port_win.h"

namespace {

using tesso::IconHandle;
using tesso::MenuHandle;
using tesso::NotifyIconRecord;
using tesso::ShellPortWin;
using tesso::WindowHandle;

bool AllZero(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

std::u16string Units(const WCHAR* text) {
  std::u16string out;
  for (; *text != 0; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

TEST(ShellPortWinTest, NotificationRecordCarriesItsFieldsAndZeroElsewhere) {
  NotifyIconRecord record;
  record.window = static_cast<WindowHandle>(0x1234);
  record.id = 1;
  record.flags = 0x97;
  record.callback_message = 0x8058;
  record.icon = static_cast<IconHandle>(0x5678);
  tesso::CopyToField(u"Tesso \u00B7 x", &record.tip);
  tesso::CopyToField(u"body", &record.info);
  tesso::CopyToField(u"title", &record.info_title);
  record.version = 4;
  record.info_flags = 0x14;

  const NOTIFYICONDATAW data = tesso::ToNotifyIconData(record);
  EXPECT_EQ(data.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(data.cbSize, NOTIFYICONDATAW_V3_SIZE + sizeof(HICON));
  EXPECT_EQ(data.hWnd, reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(data.uID, 1u);
  EXPECT_EQ(data.uFlags, 0x97u);
  EXPECT_EQ(data.uCallbackMessage, 0x8058u);
  EXPECT_EQ(data.hIcon, reinterpret_cast<HICON>(0x5678));
  EXPECT_EQ(Units(data.szTip), u"Tesso \u00B7 x");
  EXPECT_EQ(Units(data.szInfo), u"body");
  EXPECT_EQ(Units(data.szInfoTitle), u"title");
  EXPECT_EQ(data.uVersion, 4u);
  EXPECT_EQ(data.dwInfoFlags, 0x14u);
  EXPECT_EQ(data.dwState, 0u);
  EXPECT_EQ(data.dwStateMask, 0u);
  EXPECT_TRUE(AllZero(&data.guidItem, sizeof(data.guidItem)));
  EXPECT_EQ(data.hBalloonIcon, nullptr);
}

TEST(ShellPortWinTest, FullTextFieldsKeepTheirTerminator) {
  NotifyIconRecord record;
  tesso::CopyToField(std::u16string(500, u'x'), &record.tip);
  tesso::CopyToField(std::u16string(500, u'y'), &record.info);
  tesso::CopyToField(std::u16string(500, u'z'), &record.info_title);
  const NOTIFYICONDATAW data = tesso::ToNotifyIconData(record);
  EXPECT_EQ(Units(data.szTip), std::u16string(127, u'x'));
  EXPECT_EQ(Units(data.szInfo), std::u16string(255, u'y'));
  EXPECT_EQ(Units(data.szInfoTitle), std::u16string(63, u'z'));
}

class ShellPortWinWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = ::CreateWindowExW(0, L"STATIC", L"tray port test", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }
  WindowHandle handle() const { return tesso::ToWindowHandle(window_); }

  ShellPortWin port_;
  HWND window_ = nullptr;
};

TEST_F(ShellPortWinWindowTest, RegisteredMessagesAreStablePerName) {
  const uint32_t show = port_.RegisterWindowMessageW(u"Halvo.ShowMainWindow");
  EXPECT_GE(show, 0xC000u);
  EXPECT_LE(show, 0xFFFFu);
  EXPECT_EQ(port_.RegisterWindowMessageW(u"Halvo.ShowMainWindow"), show);
  EXPECT_EQ(show, ::RegisterWindowMessageW(L"Halvo.ShowMainWindow"));
  EXPECT_NE(port_.RegisterWindowMessageW(u"TaskbarCreated"), show);
}

TEST_F(ShellPortWinWindowTest, ShowsAndHidesTheWindow) {
  port_.ShowWindow(handle(), tesso::kSwShow);
  EXPECT_TRUE(::IsWindowVisible(window_));
  EXPECT_FALSE(port_.IsIconic(handle()));
  port_.ShowWindow(handle(), tesso::kSwHide);
  EXPECT_FALSE(::IsWindowVisible(window_));
}

TEST_F(ShellPortWinWindowTest, PostedMessageArrivesWithItsParameters) {
  ASSERT_TRUE(port_.PostMessageW(handle(), tesso::kWmApp + 0x77, 0x1122334455ull, -2));
  MSG message;
  ASSERT_TRUE(
      ::PeekMessageW(&message, window_, tesso::kWmApp + 0x77, tesso::kWmApp + 0x77, PM_REMOVE));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(0x1122334455ull));
  EXPECT_EQ(message.lParam, -2);
}

TEST_F(ShellPortWinWindowTest, NotificationIconIsAddedModifiedAndDeleted) {
  NotifyIconRecord record;
  record.window = handle();
  record.id = 1;
  record.flags = tesso::kNifMessage | tesso::kNifTip | tesso::kNifShowTip;
  record.callback_message = tesso::kWmApp + 0x58;
  tesso::CopyToField(u"Tesso", &record.tip);
  ASSERT_TRUE(port_.ShellNotifyIconW(tesso::kNimAdd, record));
  NotifyIconRecord versioned = record;
  versioned.version = tesso::kNotifyIconVersion4;
  EXPECT_TRUE(port_.ShellNotifyIconW(tesso::kNimSetVersion, versioned));
  tesso::CopyToField(u"Tesso \u00B7 x", &record.tip);
  EXPECT_TRUE(port_.ShellNotifyIconW(tesso::kNimModify, record));
  EXPECT_TRUE(port_.ShellNotifyIconW(tesso::kNimDelete, record));
  // The icon is gone: a second delete is refused.
  EXPECT_FALSE(port_.ShellNotifyIconW(tesso::kNimDelete, record));
}

TEST_F(ShellPortWinWindowTest, DestroyWindowDestroysIt) {
  EXPECT_TRUE(port_.DestroyWindow(handle()));
  EXPECT_FALSE(::IsWindow(window_));
  window_ = nullptr;
}

TEST(ShellPortWinMenuTest, MenuGetsItsItemsSeparatorAndDefault) {
  ShellPortWin port;
  const MenuHandle menu = port.CreatePopupMenu();
  ASSERT_NE(menu, MenuHandle::kNone);
  HMENU native = reinterpret_cast<HMENU>(static_cast<uintptr_t>(menu));
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfString, 1, u"\u6253\u5F00Tesso"));
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfSeparator, 0, u""));
  EXPECT_TRUE(port.AppendMenuW(menu, tesso::kMfString, 2, u"\u9000\u51FATesso"));
  EXPECT_TRUE(port.SetMenuDefaultItem(menu, 1, /*by_position=*/false));
  EXPECT_EQ(::GetMenuItemCount(native), 3);
  EXPECT_EQ(::GetMenuDefaultItem(native, FALSE, 0), 1u);
  EXPECT_EQ(::GetMenuItemID(native, 2), 2u);
  EXPECT_TRUE(::GetMenuState(native, 1, MF_BYPOSITION) & MF_SEPARATOR);
  WCHAR text[16] = {};
  ::GetMenuStringW(native, 1, text, 16, MF_BYCOMMAND);
  EXPECT_EQ(Units(text), u"\u6253\u5F00Tesso");
  EXPECT_TRUE(port.DestroyMenu(menu));
}

TEST(ShellPortWinMetricsTest, SmallIconSizeAndCursorAndMissingIconResource) {
  ShellPortWin port;
  const int32_t width = port.GetSystemMetrics(tesso::kSmCxSmIcon);
  const int32_t height = port.GetSystemMetrics(tesso::kSmCySmIcon);
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
  tesso::ScreenPoint point{-12345, -12345};
  EXPECT_TRUE(port.GetCursorPos(&point));
  EXPECT_NE(point.x, -12345);
  EXPECT_NE(port.GetModuleHandleW(), tesso::ModuleHandle::kNone);
  // This test program has no icon 101: the load fails with no icon.
  EXPECT_EQ(port.LoadImageW(port.GetModuleHandleW(), 101, tesso::kImageIcon, width, height,
                            tesso::kLrDefaultColor),
            IconHandle::kNone);
}

}  // namespace
