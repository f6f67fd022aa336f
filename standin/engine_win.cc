#include "standin/engine.h"

#include <atomic>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "standin/env_win.h"
#include "standin/messenger.h"
#include "standin/peer_link.h"
#include "standin/wire/json_reader.h"
#include "standin/wire/json_writer.h"
#include "standin/wire/utf8.h"

namespace tesso::standin {
namespace {

constexpr wchar_t kWindowClass[] = L"TessoStandinEngine";
constexpr UINT kFrameMessage = WM_APP + 1;
constexpr UINT kLinkMessage = WM_APP + 2;

// HOST_MESSAGE ids are unique across engines, so a late reply never reaches the wrong one.
std::atomic<uint32_t> g_next_message_id{1};

uint32_t NextMessageId() {
  uint32_t id = g_next_message_id.fetch_add(1);
  if (id == 0) id = g_next_message_id.fetch_add(1);  // 0 means "no reply wanted"
  return id;
}

void AddPath(JsonObjectWriter& json, std::string_view key, const FlutterDesktopPathChar* path) {
  if (path == nullptr) {
    json.Null(key);
  } else {
    json.String(key, Utf16ToUtf8(path));
  }
}

std::string CreatedEvent(const FlutterDesktopEngineProperties& properties) {
  JsonObjectWriter json;
  AddPath(json, "assets_path", properties.assets_path);
  AddPath(json, "icu_data_path", properties.icu_data_path);
  AddPath(json, "aot_library_path", properties.aot_library_path);
  if (properties.dart_entrypoint == nullptr) {
    json.Null("entrypoint");
  } else {
    json.String("entrypoint", properties.dart_entrypoint);
  }
  std::vector<std::string> arguments;
  for (int32_t i = 0;
       properties.dart_entrypoint_argv != nullptr && i < properties.dart_entrypoint_argc; ++i) {
    const char* argument = properties.dart_entrypoint_argv[i];
    arguments.emplace_back(argument != nullptr ? argument : "");
  }
  json.StringList("arguments", arguments);
  return json.Finish();
}

void ControlError(std::string_view operation, std::string_view reason) {
  EmitEvent("control_error",
            JsonObjectWriter().String("operation", operation).String("reason", reason).Finish());
}

}  // namespace

Engine* Engine::Create(const FlutterDesktopEngineProperties& properties) noexcept {
  if (FailureRequested("engine")) {
    EmitEvent("engine_create_failed", "{}");
    return nullptr;
  }
  if (!EnsureWindowClass(kWindowClass, &Engine::WindowProc, nullptr)) return nullptr;
  Engine* engine = new (std::nothrow) Engine();
  if (engine == nullptr) return nullptr;
  engine->messenger_ = new (std::nothrow) Messenger(engine);
  HWND window = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                ThisModule(), nullptr);
  if (engine->messenger_ == nullptr || window == nullptr) {
    if (window != nullptr) DestroyWindow(window);
    if (engine->messenger_ != nullptr) engine->messenger_->Release();
    engine->messenger_ = nullptr;
    delete engine;
    return nullptr;
  }
  engine->window_ = OwnedWindow(window);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(engine));
  try {
    EmitEvent("engine_created", CreatedEvent(properties));
  } catch (...) {
    // The event is for the driver only; the engine runs without it.
  }
  if (PeerLink* link = PeerLink::Get()) {
    try {
      link->AttachReceiver(window, kLinkMessage);
    } catch (...) {
      engine->Destroy();
      return nullptr;
    }
  }
  return engine;
}

Engine::~Engine() {
  if (window_.get() != nullptr) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  if (messenger_ != nullptr) messenger_->Release();
}

void Engine::Destroy() noexcept {
  if (destroyed_) return;
  destroyed_ = true;
  if (messenger_ != nullptr) messenger_->DetachEngine();
  if (PeerLink* link = PeerLink::Get()) {
    try {
      link->DetachReceiver(window_.get());
    } catch (...) {
      // Only the answers to queued calls are lost.
    }
  }
  EmitEvent("engine_destroyed", "{}");
  // Replies still pending are never called, as with an engine that shuts down: whatever their
  // user data holds stays with the host.
  callbacks_.clear();
  pending_replies_.clear();
  next_frame_ = {};
  view_ = nullptr;
  if (dispatch_depth_ == 0) delete this;
}

LRESULT CALLBACK Engine::WindowProc(HWND window, UINT message, WPARAM wparam,
                                    LPARAM lparam) noexcept {
  auto* engine = reinterpret_cast<Engine*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (engine == nullptr || (message != kFrameMessage && message != kLinkMessage)) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
  if (engine->destroyed_) return 0;
  ++engine->dispatch_depth_;
  try {
    if (message == kFrameMessage) {
      engine->ProduceFrame();
    } else {
      engine->DrainLink();
    }
  } catch (...) {
    // A frame or message lost to an allocation failure; nothing else to undo.
  }
  if (--engine->dispatch_depth_ == 0 && engine->destroyed_) delete engine;
  return 0;
}

void Engine::RequestFrame() { PostMessageW(window_.get(), kFrameMessage, 0, 0); }

void Engine::ProduceFrame() {
  const Bound<FlutterDesktopOnNextFrame> armed = std::exchange(next_frame_, {});
  if (armed.callback != nullptr) armed.callback(armed.user_data);
  if (destroyed_) return;  // the callback ended the engine; its frame is not reported
  if (!first_frame_done_) {
    first_frame_done_ = true;
    EmitEvent("first_frame", "{}");
  }
  EmitEvent("frame", JsonObjectWriter().Bool("callback", armed.callback != nullptr).Finish());
}

void Engine::DrainLink() {
  PeerLink* link = PeerLink::Get();
  if (link == nullptr) return;
  // Only the frames that were queued when the wake-up began.
  for (size_t batch = link->BeginDrain(window_.get()); batch != 0 && !destroyed_; --batch) {
    std::optional<Frame> frame = link->TakeFrame(window_.get());
    if (!frame) return;
    switch (static_cast<FrameKind>(frame->kind)) {
      case FrameKind::kCall:
        HandleCall(*frame);
        break;
      case FrameKind::kHostReply:
        HandleHostReply(*frame);
        break;
      case FrameKind::kControl:
        HandleControl(*frame);
        break;
      default:
        break;  // the link only queues the three kinds above
    }
  }
}

void Engine::HandleCall(const Frame& frame) {
  if (!IsUtf8(frame.name)) {
    // No channel can have such a name; said once, answered, and the link goes on.
    EmitEvent("link_error", JsonObjectWriter()
                                .String("reason", "channel name is not UTF-8")
                                .Uint("id", frame.id)
                                .Finish());
    PeerLink::Get()->Send(FrameKind::kResponse, frame.id, "", nullptr, 0);
    return;
  }
  const auto it = callbacks_.find(frame.name);
  if (it == callbacks_.end()) {
    PeerLink::Get()->Send(FrameKind::kResponse, frame.id, frame.name, nullptr, 0);
    return;
  }
  const Bound<FlutterDesktopMessageCallback> bound = it->second;
  FlutterDesktopMessage message = {};
  message.struct_size = sizeof(message);
  message.channel = frame.name.c_str();
  message.message = frame.body.data();
  message.message_size = frame.body.size();
  message.response_handle = messenger_->NewResponseHandle(frame.id, frame.name);
  bound.callback(reinterpret_cast<FlutterDesktopMessengerRef>(messenger_), &message,
                 bound.user_data);
}

void Engine::HandleHostReply(const Frame& frame) {
  const auto it = pending_replies_.find(frame.id);
  if (it == pending_replies_.end()) {
    EmitEvent("link_error", JsonObjectWriter()
                                .String("reason", "reply to no pending message")
                                .Uint("id", frame.id)
                                .Finish());
    return;
  }
  const Bound<FlutterDesktopBinaryReply> bound = it->second;
  pending_replies_.erase(it);
  const bool empty = frame.body.empty();
  bound.callback(empty ? nullptr : frame.body.data(), frame.body.size(), bound.user_data);
}

void Engine::HandleControl(const Frame& frame) {
  const std::string& operation = frame.name;
  const std::string_view text(reinterpret_cast<const char*>(frame.body.data()), frame.body.size());
  const std::optional<JsonObject> arguments =
      text.empty() ? JsonObject::Parse("{}") : JsonObject::Parse(text);
  if (!arguments) return ControlError(operation, "arguments are not a JSON object");
  if (operation == "frame") return RequestFrame();
  if (operation != "post_message" && operation != "send_message") {
    return ControlError(operation, "unknown operation");
  }
  const std::optional<uint64_t> msg = arguments->GetWord("msg");
  if (!msg || *msg > 0xFFFFFFFFu) return ControlError(operation, "msg must be a 32-bit number");
  const std::optional<uint64_t> wparam =
      arguments->Has("wparam") ? arguments->GetWord("wparam") : std::optional<uint64_t>(0);
  const std::optional<uint64_t> lparam =
      arguments->Has("lparam") ? arguments->GetWord("lparam") : std::optional<uint64_t>(0);
  if (!wparam || !lparam) return ControlError(operation, "wparam and lparam must be integers");
  if (view_ == nullptr) return ControlError(operation, "no view");
  const HWND target = GetAncestor(view_, GA_ROOT);
  if (target == nullptr) return ControlError(operation, "the view has no top-level window");
  const UINT message = static_cast<UINT>(*msg);
  const auto w = static_cast<WPARAM>(*wparam);
  const auto l = static_cast<LPARAM>(*lparam);
  if (operation == "post_message") {
    if (!PostMessageW(target, message, w, l)) ControlError(operation, "PostMessage failed");
    return;
  }
  const LRESULT result = SendMessageW(target, message, w, l);
  EmitEvent("message_result",
            JsonObjectWriter().Uint("msg", message).Int("result", result).Finish());
}

FlutterDesktopPluginRegistrar* Engine::GetRegistrar(const char* plugin_name) {
  const std::string name = plugin_name != nullptr ? plugin_name : "";
  EmitEvent("plugin_registrar", JsonObjectWriter().String("name", name).Finish());
  std::unique_ptr<FlutterDesktopPluginRegistrar>& registrar = registrars_[name];
  if (!registrar) registrar.reset(new FlutterDesktopPluginRegistrar{name});
  return registrar.get();
}

void Engine::ReloadSystemFonts() { EmitEvent("fonts_reloaded", "{}"); }

void Engine::SetNextFrameCallback(FlutterDesktopOnNextFrame callback, void* user_data) {
  next_frame_ = {callback, user_data};
}

bool Engine::SendToPeer(const char* channel, const uint8_t* message, size_t size,
                        FlutterDesktopBinaryReply reply, void* user_data) {
  if (destroyed_ || channel == nullptr) return false;
  const uint32_t id = reply != nullptr ? NextMessageId() : 0;
  if (reply != nullptr) pending_replies_[id] = {reply, user_data};
  if (PeerLink* link = PeerLink::Get()) {
    link->Send(FrameKind::kHostMessage, id, channel, size > 0 ? message : nullptr, size);
  }
  return true;
}

void Engine::SetCallback(const char* channel, FlutterDesktopMessageCallback callback,
                         void* user_data) {
  if (destroyed_ || channel == nullptr) return;
  if (callback == nullptr) {
    callbacks_.erase(channel);
  } else {
    callbacks_[channel] = {callback, user_data};
  }
  EmitEvent(
      "set_callback",
      JsonObjectWriter().String("channel", channel).Bool("set", callback != nullptr).Finish());
}

}  // namespace tesso::standin
