// The tray half of the window service: the icon, notices, the menu and the window-message
// hook.
#include "tray/window_channel.h"

#include "tray/tray_texts.h"

namespace tesso {

void WindowChannel::AddTrayIcon() {
  if (icon_added_) return;
  // A refused add may mean the shell already holds the icon (a "TaskbarCreated" that did not
  // come from a restarted taskbar); the icon counts as present when a modify of it succeeds,
  // which also brings its tooltip up to date.
  if (!shell_->ShellNotifyIconW(kNimAdd, icon_data_) &&
      !shell_->ShellNotifyIconW(kNimModify, icon_data_)) {
    return;
  }
  icon_added_ = true;
  // Version 4: events carry the event in the low word of lparam, and selection arrives as
  // NIN_SELECT / NIN_KEYSELECT.
  NotifyIconRecord versioned = icon_data_;
  versioned.version = kNotifyIconVersion4;
  shell_->ShellNotifyIconW(kNimSetVersion, versioned);
}

void WindowChannel::RemoveTrayIcon() {
  if (!icon_added_) return;
  shell_->ShellNotifyIconW(kNimDelete, icon_data_);
  icon_added_ = false;
}

void WindowChannel::ShowMainWindow() {
  hidden_ = false;
  shell_->ShowWindow(window_, shell_->IsIconic(window_) ? kSwRestore : kSwShow);
  shell_->SetForegroundWindow(window_);
}

void WindowChannel::ShowOnFirstFrame() {
  if (hidden_ && close_to_tray_) return;
  ShowMainWindow();
}

void WindowChannel::ShowBalloon(const std::u16string& title, const std::u16string& body) {
  AddTrayIcon();
  if (!icon_added_) return;
  NotifyIconRecord balloon = icon_data_;
  balloon.flags = kStandingFlags | kNifInfo;
  balloon.info_flags = kBalloonInfoFlags;
  CopyToField(title, &balloon.info_title);
  CopyToField(body, &balloon.info);
  shell_->ShellNotifyIconW(kNimModify, balloon);
}

void WindowChannel::SetViewerActive(bool active) {
  if (active == viewer_active_) return;
  viewer_active_ = active;
  CopyToField(active ? kTipViewerActive : kTipIdle, &icon_data_.tip);
  if (active) {
    AddTrayIcon();
  } else if (!close_to_tray_) {
    RemoveTrayIcon();
    return;
  }
  // Without the icon the new tooltip waits for the next add.
  if (!icon_added_) return;
  NotifyIconRecord update = icon_data_;
  if (active) {
    update.flags |= kNifInfo;
    update.info_flags = kBalloonInfoFlags;
    CopyToField(kViewerNoticeTitle, &update.info_title);
    CopyToField(kViewerNoticeBody, &update.info);
  }
  shell_->ShellNotifyIconW(kNimModify, update);
}

bool WindowChannel::HandleWindowMessage(uint32_t message, uint64_t wparam, int64_t lparam,
                                        int64_t* result) {
  if (IsRegistered(show_window_message_, message)) {
    ShowMainWindow();
    *result = 0;
    return true;
  }
  if (IsRegistered(taskbar_created_message_, message)) {
    // Explorer restarted: the old icon is gone with it, or, when any other process sent the
    // message, it is still there and the add finds it. The engine and the window base still
    // see the message.
    icon_added_ = false;
    if (close_to_tray_ || viewer_active_) AddTrayIcon();
    return false;
  }
  switch (message) {
    case kWmClose:
      if (!close_to_tray_ || quitting_) return false;
      HideOnClose();
      *result = 0;
      return true;
    case kWmEndSession:
      *result = 0;
      if (wparam != 0) {
        quitting_ = true;
        RemoveTrayIcon();
        // Last: destroying the window destroys this service before the call returns.
        shell_->DestroyWindow(window_);
      }
      return true;
    case kWmCommand:
      if (!HandleCommand(static_cast<uint32_t>(wparam & 0xFFFF))) return false;
      *result = 0;
      return true;
    case kTrayCallbackMessage:
      *result = 0;
      // Last: the menu's modal loop may end with this service destroyed.
      HandleTrayEvent(static_cast<uint32_t>(static_cast<uint64_t>(lparam) & 0xFFFF));
      return true;
    default:
      return false;
  }
}

bool WindowChannel::HandleCommand(uint32_t command) {
  switch (command) {
    case kCommandOpen:
      ShowMainWindow();
      return true;
    case kCommandExit:
      // The icon goes now; the posted close then finds `quitting_` and is passed on.
      quitting_ = true;
      RemoveTrayIcon();
      shell_->PostMessageW(window_, kWmClose, 0, 0);
      return true;
    case kCommandDisconnectViewers:
      InvokeOnInterface("disconnectViewers");
      return true;
    case kCommandStopHosting:
      InvokeOnInterface("stopHosting");
      return true;
    default:
      return false;
  }
}

void WindowChannel::HandleTrayEvent(uint32_t event) {
  if (event == kWmContextMenu) {
    ShowMenu();
  } else if (event == kNinSelect || event == kNinKeySelect) {
    ShowMainWindow();
  }
  // Pointer moves, double clicks and balloon events are consumed without effect.
}

void WindowChannel::HideOnClose() {
  AddTrayIcon();
  shell_->ShowWindow(window_, kSwHide);
  hidden_ = true;
  // Pending until a hide finds the icon in place.
  if (hide_notice_shown_ || !icon_added_) return;
  hide_notice_shown_ = true;
  NotifyIconRecord notice = icon_data_;
  notice.flags = kNifInfo;
  notice.info_flags = kBalloonInfoFlags;
  CopyToField(kHideNoticeTitle, &notice.info_title);
  CopyToField(kHideNoticeBody, &notice.info);
  shell_->ShellNotifyIconW(kNimModify, notice);
}

void WindowChannel::ShowMenu() {
  // TrackPopupMenu runs a modal loop that may dispatch WM_ENDSESSION and destroy this
  // service; what is needed after it is held in locals.
  ShellPort* const shell = shell_;
  const WindowHandle window = window_;
  const MenuHandle menu = shell->CreatePopupMenu();
  if (menu == MenuHandle::kNone) return;
  if (viewer_active_) {
    shell->AppendMenuW(menu, kMfString, kCommandDisconnectViewers, kMenuDisconnect);
    shell->AppendMenuW(menu, kMfString, kCommandStopHosting, kMenuStopHosting);
    shell->AppendMenuW(menu, kMfSeparator, 0, std::u16string());
  }
  shell->AppendMenuW(menu, kMfString, kCommandOpen, kMenuOpen);
  shell->AppendMenuW(menu, kMfSeparator, 0, std::u16string());
  shell->AppendMenuW(menu, kMfString, kCommandExit, kMenuExit);
  shell->SetMenuDefaultItem(menu, kCommandOpen, /*by_position=*/false);
  ScreenPoint pointer;
  shell->GetCursorPos(&pointer);
  // The menu only closes on a click elsewhere when its owner is in the foreground.
  shell->SetForegroundWindow(window);
  shell->TrackPopupMenu(menu, kTpmRightButton | kTpmBottomAlign, pointer.x, pointer.y, window);
  // Lets the menu's owner settle before the next menu opens.
  shell->PostMessageW(window, kWmNull, 0, 0);
  shell->DestroyMenu(menu);
}

}  // namespace tesso
