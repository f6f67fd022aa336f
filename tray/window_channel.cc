// Construction, destruction and the channel protocol of the window service. The tray
// machinery is in window_channel_tray.cc.
#include "tray/window_channel.h"

#include <string>
#include <utility>
#include <variant>

#include "base/lenient_utf8.h"
#include "messaging/standard_method_codec.h"
#include "tray/tray_texts.h"

namespace tesso {
namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

const char kBadArgs[] = "bad_args";
const char kExpectedBool[] = "expected bool";

// The bool argument of a call; none for a missing argument or any other type.
const bool* BoolArgument(const EncodableValue* arguments) {
  return arguments == nullptr ? nullptr : std::get_if<bool>(arguments);
}

// One text of "showNotice": empty unless the map holds a non-empty string under `key`.
std::u16string NoticeText(const EncodableValue* arguments, const char* key) {
  const auto* map = arguments == nullptr ? nullptr : std::get_if<EncodableMap>(arguments);
  if (map == nullptr) return std::u16string();
  const auto entry = map->find(EncodableValue(std::string(key)));
  if (entry == map->end()) return std::u16string();
  const auto* text = std::get_if<std::string>(&entry->second);
  if (text == nullptr || text->empty()) return std::u16string();
  return Utf8ToWideLenient(*text);
}

}  // namespace

WindowChannel::WindowChannel(flutter::BinaryMessenger* messenger, WindowHandle window,
                             bool start_hidden, ShellPort* shell)
    : shell_(shell), window_(window), hidden_(start_hidden) {
  show_window_message_ = shell_->RegisterWindowMessageW(kShowWindowMessageName);
  taskbar_created_message_ = shell_->RegisterWindowMessageW(kTaskbarCreatedMessageName);

  // A second instance and Explorer may run at a lower integrity level than this process.
  shell_->ChangeWindowMessageFilterEx(window_, show_window_message_, kMsgFltAllow);
  shell_->ChangeWindowMessageFilterEx(window_, taskbar_created_message_, kMsgFltAllow);

  icon_data_.window = window_;
  icon_data_.id = kIconId;
  icon_data_.flags = kStandingFlags;
  icon_data_.callback_message = kTrayCallbackMessage;
  const int32_t width = shell_->GetSystemMetrics(kSmCxSmIcon);
  const int32_t height = shell_->GetSystemMetrics(kSmCySmIcon);
  icon_data_.icon = shell_->LoadImageW(shell_->GetModuleHandleW(), kIconResourceId, kImageIcon,
                                       width, height, kLrDefaultColor);
  CopyToField(kTipIdle, &icon_data_.tip);

  // The icon is there whether or not the process starts hidden: close-to-tray starts on.
  AddTrayIcon();

  channel_ = std::make_unique<flutter::MethodChannel<Value>>(
      messenger, kChannelName, &flutter::StandardMethodCodec::GetInstance());
  channel_->SetMethodCallHandler([this](const flutter::MethodCall<Value>& call,
                                        std::unique_ptr<flutter::MethodResult<Value>> result) {
    HandleMethodCall(call, std::move(result));
  });
}

WindowChannel::~WindowChannel() {
  // No call may arrive while the icon is going away.
  channel_->SetMethodCallHandler(nullptr);
  RemoveTrayIcon();
  if (icon_data_.icon != IconHandle::kNone) shell_->DestroyIcon(icon_data_.icon);
  channel_.reset();
}

void WindowChannel::HandleMethodCall(const flutter::MethodCall<Value>& call,
                                     std::unique_ptr<flutter::MethodResult<Value>> result) {
  const std::string& method = call.method_name();
  if (method == "setCloseToTray") {
    const bool* enabled = BoolArgument(call.arguments());
    if (enabled == nullptr) {
      result->Error(kBadArgs, kExpectedBool);
      return;
    }
    SetCloseToTray(*enabled);
    result->Success();
  } else if (method == "showNotice") {
    ShowNotice(call.arguments());
    result->Success();
  } else if (method == "setViewerActive") {
    const bool* active = BoolArgument(call.arguments());
    if (active == nullptr) {
      result->Error(kBadArgs, kExpectedBool);
      return;
    }
    SetViewerActive(*active);
    result->Success();
  } else if (method == "isHidden") {
    result->Success(Value(hidden_));
  } else {
    result->NotImplemented();
  }
}

void WindowChannel::SetCloseToTray(bool enabled) {
  close_to_tray_ = enabled;
  if (enabled) {
    AddTrayIcon();
    return;
  }
  // Show first, so a window hidden to the tray is back before its icon goes; an icon that
  // stands for an active viewer stays.
  if (hidden_) ShowMainWindow();
  if (!viewer_active_) RemoveTrayIcon();
}

void WindowChannel::ShowNotice(const Value* arguments) {
  const std::u16string body = NoticeText(arguments, "body");
  const std::u16string title = NoticeText(arguments, "title");
  if (title.empty() && body.empty()) return;
  ShowBalloon(title, body);
}

void WindowChannel::InvokeOnInterface(const std::string& method) {
  if (!channel_) return;
  channel_->InvokeMethod(method, std::make_unique<Value>());
}

}  // namespace tesso
