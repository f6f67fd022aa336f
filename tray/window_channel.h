// The window service: close-to-tray, the tray icon with its menu, balloon notices and the
// viewer indication, on the channel "com.vel.halvo/window". Everything runs on the UI thread.
#ifndef TESSO_TRAY_WINDOW_CHANNEL_H_
#define TESSO_TRAY_WINDOW_CHANNEL_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/handles.h"
#include "messaging/binary_messenger.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_channel.h"
#include "messaging/method_result.h"
#include "tray/notify_icon_record.h"
#include "tray/shell_constants.h"
#include "tray/shell_port.h"

namespace tesso {

class WindowChannel {
 public:
  static constexpr char kChannelName[] = "com.vel.halvo/window";
  static constexpr char16_t kShowWindowMessageName[] = u"Halvo.ShowMainWindow";
  static constexpr char16_t kTaskbarCreatedMessageName[] = u"TaskbarCreated";
  // The tray icon's events arrive as this message to the window.
  static constexpr uint32_t kTrayCallbackMessage = kWmApp + 0x58;
  static constexpr uint32_t kIconResourceId = 101;
  static constexpr uint32_t kIconId = 1;
  static constexpr uint32_t kStandingFlags = kNifMessage | kNifIcon | kNifTip | kNifShowTip;
  static constexpr uint32_t kBalloonInfoFlags = kNiifUser | kNiifNoSound;

  // Menu command identifiers.
  static constexpr uint32_t kCommandOpen = 1;
  static constexpr uint32_t kCommandExit = 2;
  static constexpr uint32_t kCommandDisconnectViewers = 3;
  static constexpr uint32_t kCommandStopHosting = 4;

  // Registers the two messages, loads the icon, adds the tray icon and then binds the
  // channel. `messenger` and `shell` are not owned and must outlive the service.
  WindowChannel(flutter::BinaryMessenger* messenger, WindowHandle window, bool start_hidden,
                ShellPort* shell);
  // Clears the channel's handler first, then removes the icon and frees it.
  ~WindowChannel();

  WindowChannel(const WindowChannel&) = delete;
  WindowChannel& operator=(const WindowChannel&) = delete;

  // Offered every top-level window message except the host window's private ones. True when
  // the message was consumed; `result` is then set to 0. A consumed WM_ENDSESSION destroys
  // the window, and with it possibly this service, before the call returns.
  bool HandleWindowMessage(uint32_t message, uint64_t wparam, int64_t lparam, int64_t* result);

  // Called once, after the engine's first frame: shows the window unless the process started
  // hidden and close-to-tray is still on.
  void ShowOnFirstFrame();

  // Adds the icon unless it is in place; `icon_added` is true exactly when the shell holds it
  // afterwards (a refused add of an icon it still holds counts as added).
  void AddTrayIcon();
  // Removes the icon if it is in place; it counts as removed whatever the shell answers.
  void RemoveTrayIcon();
  // Restores or shows the window and brings it to the front.
  void ShowMainWindow();
  // A balloon from the icon; dropped when the icon cannot be added.
  void ShowBalloon(const std::u16string& title, const std::u16string& body);
  // The viewer tooltip and, on each change to active, the viewer notice.
  void SetViewerActive(bool active);

  bool close_to_tray() const { return close_to_tray_; }
  bool hidden() const { return hidden_; }
  bool icon_added() const { return icon_added_; }
  bool hide_notice_shown() const { return hide_notice_shown_; }
  bool quitting() const { return quitting_; }
  bool viewer_active() const { return viewer_active_; }
  const NotifyIconRecord& icon_data() const { return icon_data_; }

 private:
  using Value = flutter::EncodableValue;

  void HandleMethodCall(const flutter::MethodCall<Value>& call,
                        std::unique_ptr<flutter::MethodResult<Value>> result);
  void SetCloseToTray(bool enabled);
  void ShowNotice(const Value* arguments);
  void HideOnClose();
  void ShowMenu();
  bool HandleCommand(uint32_t command);
  void HandleTrayEvent(uint32_t event);
  // Sends a call to the user interface with a null argument, asking for no reply.
  void InvokeOnInterface(const std::string& method);
  // A registered message number; 0 (failed registration) matches nothing.
  static bool IsRegistered(uint32_t registered, uint32_t message) {
    return registered != 0 && registered == message;
  }

  ShellPort* shell_;
  WindowHandle window_;
  std::unique_ptr<flutter::MethodChannel<Value>> channel_;
  uint32_t show_window_message_ = 0;
  uint32_t taskbar_created_message_ = 0;
  NotifyIconRecord icon_data_;
  bool close_to_tray_ = true;
  bool hidden_;
  bool icon_added_ = false;
  bool hide_notice_shown_ = false;
  bool quitting_ = false;
  bool viewer_active_ = false;
};

}  // namespace tesso

#endif  // TESSO_TRAY_WINDOW_CHANNEL_H_
