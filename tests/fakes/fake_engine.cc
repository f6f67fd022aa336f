#include "tests/fakes/fake_engine.h"

#include <atomic>
#include <map>
#include <mutex>

struct FlutterDesktopMessageResponseHandle {
  int id;
};

struct FlutterDesktopMessenger {
  std::mutex lock;  // the engine messenger's lock, taken by the host around replies
  std::atomic<int> references{1};
  bool available = true;  // guarded by lock
  std::map<std::string, std::pair<FlutterDesktopMessageCallback, void*>> callbacks;
};

struct FlutterDesktopEngine {
  FlutterDesktopMessenger* messenger = nullptr;
  FlutterDesktopOnNextFrame next_frame = nullptr;
  void* next_frame_user_data = nullptr;
};

struct FlutterDesktopViewController {
  FlutterDesktopEngine* engine = nullptr;
  int view = 0;
};

namespace fake_engine {
namespace {

struct {
  Switches switches;
  std::mutex log_mutex;
  std::vector<std::string> log;
  std::vector<std::pair<FlutterDesktopBinaryReply, void*>> sent;
  FlutterDesktopMessageResponseHandle handles[256] = {};
  int next_id = 1;
  FlutterDesktopEngine* engine = nullptr;
  FlutterDesktopMessenger* messenger = nullptr;
} in;

// Logs the call as its parts joined by spaces; every fake entry point that logs goes here.
template <typename T = bool>
T Record(std::initializer_list<std::string> parts, T answer = T()) {
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : " ") + part;
  std::lock_guard<std::mutex> lock(in.log_mutex);
  in.log.push_back(line);
  return answer;
}

std::string Hex(const uint8_t* data, size_t size) {
  if (data == nullptr) return "null";
  std::string out;
  for (size_t i = 0; i < size; ++i)
    out += {"0123456789abcdef"[data[i] >> 4], "0123456789abcdef"[data[i] & 15]};
  return out;
}

std::string Narrow(const char16_t* text) {
  return std::string(text, text + std::char_traits<char16_t>::length(text));
}

void EndEngine(FlutterDesktopEngine* engine) {
  {
    std::lock_guard<std::mutex> lock(engine->messenger->lock);
    engine->messenger->available = false;
    engine->messenger->callbacks.clear();
  }
  FlutterDesktopMessengerRelease(engine->messenger);
  if (in.engine == engine) in.engine = nullptr;
  delete engine;
}

// Draws a frame: the armed next-frame callback runs once.
void DrawFrame() {
  FlutterDesktopEngine* engine = in.engine;
  if (engine == nullptr || engine->next_frame == nullptr) return;
  FlutterDesktopOnNextFrame callback = engine->next_frame;
  engine->next_frame = nullptr;
  callback(engine->next_frame_user_data);
}

}  // namespace

Switches& switches() { return in.switches; }

void Reset() {
  in.switches = Switches();
  std::lock_guard<std::mutex> lock(in.log_mutex);
  in.log.clear();
  in.sent.clear();
  in.next_id = 1;
}

std::vector<std::string> TakeLog() {
  std::lock_guard<std::mutex> lock(in.log_mutex);
  return std::move(in.log);
}

bool Deliver(const std::string& channel, const Bytes& message) {
  if (in.messenger == nullptr || in.messenger->callbacks.count(channel) == 0) return false;
  FlutterDesktopMessageResponseHandle* handle = &in.handles[in.next_id % 256];
  handle->id = in.next_id++;
  const FlutterDesktopMessage record = {sizeof(FlutterDesktopMessage), channel.c_str(),
                                        message.empty() ? nullptr : message.data(), message.size(),
                                        handle};
  auto [callback, user_data] = in.messenger->callbacks[channel];
  callback(in.messenger, &record, user_data);
  return true;
}

void ReplyToSent(size_t index, const Bytes& reply) {
  in.sent.at(index).first(reply.empty() ? nullptr : reply.data(), reply.size(),
                          in.sent.at(index).second);
}

int MessengerReferences() { return in.messenger == nullptr ? 0 : in.messenger->references.load(); }

}  // namespace fake_engine

using namespace fake_engine;  // NOLINT: the engine's functions below are the fake's own
using Engine = FlutterDesktopEngineRef;
using Messenger = FlutterDesktopMessengerRef;
using Controller = FlutterDesktopViewControllerRef;

extern "C" {

Engine FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* p) {
  std::string argv = p->dart_entrypoint_argv == nullptr ? "null" : "";
  for (int32_t i = 0; p->dart_entrypoint_argv && i < p->dart_entrypoint_argc; ++i) {
    argv += std::string(i == 0 ? "" : ",") + p->dart_entrypoint_argv[i];
  }
  Record({"EngineCreate", Narrow(p->assets_path), Narrow(p->icu_data_path),
          Narrow(p->aot_library_path),
          std::string("entry=") + (p->dart_entrypoint ? p->dart_entrypoint : "null"),
          "argv=" + argv, std::to_string(p->option_a), std::to_string(p->option_b)});
  if (in.switches.fail_engine_create) return nullptr;
  in.engine = new FlutterDesktopEngine;
  in.engine->messenger = in.messenger = new FlutterDesktopMessenger;
  return in.engine;
}

bool FlutterDesktopEngineDestroy(Engine engine) {
  EndEngine(engine);
  return Record({"EngineDestroy"}, true);
}

Messenger FlutterDesktopEngineGetMessenger(Engine engine) { return engine->messenger; }

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(Engine, const char* name) {
  // Never looked into.
  return Record({"GetPluginRegistrar", name},
                reinterpret_cast<FlutterDesktopPluginRegistrarRef>(&in));
}

void FlutterDesktopEngineReloadSystemFonts(Engine) { Record({"ReloadSystemFonts"}); }

void FlutterDesktopEngineSetNextFrameCallback(Engine engine, FlutterDesktopOnNextFrame callback,
                                              void* user_data) {
  engine->next_frame = callback;
  engine->next_frame_user_data = user_data;
}

Controller FlutterDesktopViewControllerCreate(int width, int height, Engine engine) {
  Record({"ViewControllerCreate", std::to_string(width) + "x" + std::to_string(height)});
  if (!in.switches.fail_view_controller) return new FlutterDesktopViewController{engine};
  EndEngine(engine);
  return nullptr;
}

void FlutterDesktopViewControllerDestroy(Controller controller) {
  Record({"ViewControllerDestroy"});
  EndEngine(controller->engine);
  delete controller;
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(Controller c) {
  return reinterpret_cast<FlutterDesktopViewRef>(&c->view);
}

void FlutterDesktopViewControllerForceRedraw(Controller) { DrawFrame(); }

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(Controller, FlutterDesktopWindowHandle,
                                                          FlutterDesktopWindowMessage message,
                                                          FlutterDesktopWParam,
                                                          FlutterDesktopLParam,
                                                          FlutterDesktopLResult* result) {
  if (in.switches.top_level_result) *result = *in.switches.top_level_result;
  return Record({"TopLevelWindowProc", std::to_string(message)},
                in.switches.top_level_result.has_value());
}

FlutterDesktopWindowHandle FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) { return view; }

bool FlutterDesktopMessengerSend(Messenger, const char* channel, const uint8_t* message,
                                 size_t size) {
  return Record({"Send", channel, Hex(message, size)}, true);
}

bool FlutterDesktopMessengerSendWithReply(Messenger, const char* channel, const uint8_t* message,
                                          size_t size, FlutterDesktopBinaryReply reply,
                                          void* user_data) {
  if (!in.switches.fail_send_with_reply) in.sent.push_back({reply, user_data});
  return Record({"SendWithReply", channel, Hex(message, size)}, !in.switches.fail_send_with_reply);
}

void FlutterDesktopMessengerSendResponse(Messenger,
                                         const FlutterDesktopMessageResponseHandle* handle,
                                         const uint8_t* data, size_t size) {
  Record({"SendResponse", std::to_string(handle->id), Hex(data, size)});
}

void FlutterDesktopMessengerSetCallback(Messenger messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  Record({"SetCallback", channel, callback ? "set" : "cleared"});
  if (callback == nullptr) messenger->callbacks.erase(channel);
  if (callback != nullptr) messenger->callbacks[channel] = {callback, user_data};
}

Messenger FlutterDesktopMessengerAddRef(Messenger messenger) {
  ++messenger->references;
  return messenger;
}

void FlutterDesktopMessengerRelease(Messenger messenger) {
  if (--messenger->references != 0) return;
  if (in.messenger == messenger) in.messenger = nullptr;
  delete messenger;
}

bool FlutterDesktopMessengerIsAvailable(Messenger messenger) { return messenger->available; }

Messenger FlutterDesktopMessengerLock(Messenger messenger) {
  messenger->lock.lock();
  return messenger;
}

void FlutterDesktopMessengerUnlock(Messenger messenger) { messenger->lock.unlock(); }

}  // extern "C"
