#include "tests/fakes/fake_engine.h"

#include <atomic>
#include <memory>

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

struct FlutterDesktopView {
  int unused = 0;
};

struct FlutterDesktopViewController {
  FlutterDesktopEngine* engine = nullptr;
  FlutterDesktopView view;
};

namespace fake_engine {
namespace {

struct Internal {
  State state;
  FlutterDesktopEngine* engine = nullptr;
  FlutterDesktopMessenger* messenger = nullptr;
  std::mutex responses_mutex;  // guards responses and duplicate_responses
  std::map<int, Response> responses;
  int duplicate_responses = 0;
  std::vector<std::unique_ptr<FlutterDesktopMessageResponseHandle>> handles;
  int next_id = 1;
};

Internal& internal() {
  static Internal instance;
  return instance;
}

void EndEngine(FlutterDesktopEngine* engine) {
  Internal& in = internal();
  {
    std::lock_guard<std::mutex> lock(engine->messenger->lock);
    engine->messenger->available = false;
    engine->messenger->callbacks.clear();
  }
  FlutterDesktopMessengerRelease(engine->messenger);
  if (in.engine == engine) in.engine = nullptr;
  delete engine;
}

}  // namespace

State& state() { return internal().state; }

void Reset() {
  Internal& in = internal();
  in.state = State();
  {
    std::lock_guard<std::mutex> lock(in.responses_mutex);
    in.responses.clear();
    in.duplicate_responses = 0;
  }
  in.handles.clear();
}

FlutterDesktopMessengerRef CurrentMessenger() { return internal().messenger; }

std::optional<int> Deliver(const std::string& channel, const Bytes& message) {
  Internal& in = internal();
  FlutterDesktopMessenger* messenger = in.messenger;
  if (messenger == nullptr) return std::nullopt;
  auto found = messenger->callbacks.find(channel);
  if (found == messenger->callbacks.end()) return std::nullopt;
  int id = in.next_id++;
  in.handles.push_back(std::make_unique<FlutterDesktopMessageResponseHandle>());
  in.handles.back()->id = id;
  {
    std::lock_guard<std::mutex> lock(in.responses_mutex);
    in.responses[id] = Response();
  }
  FlutterDesktopMessage record = {sizeof(FlutterDesktopMessage), channel.c_str(),
                                  message.empty() ? nullptr : message.data(), message.size(),
                                  in.handles.back().get()};
  auto [callback, user_data] = found->second;
  callback(messenger, &record, user_data);
  return id;
}

Response ResponseFor(int id) {
  Internal& in = internal();
  std::lock_guard<std::mutex> lock(in.responses_mutex);
  return in.responses[id];
}

int DuplicateResponses() {
  Internal& in = internal();
  std::lock_guard<std::mutex> lock(in.responses_mutex);
  return in.duplicate_responses;
}

void ReplyToSent(size_t index, const Bytes& reply) {
  SentMessage sent = state().sent.at(index);
  sent.reply(reply.empty() ? nullptr : reply.data(), reply.size(), sent.user_data);
}

void DrawFrame() {
  FlutterDesktopEngine* engine = internal().engine;
  if (engine == nullptr || engine->next_frame == nullptr) return;
  FlutterDesktopOnNextFrame callback = engine->next_frame;
  engine->next_frame = nullptr;
  callback(engine->next_frame_user_data);
}

int MessengerReferences() {
  FlutterDesktopMessenger* messenger = internal().messenger;
  return messenger == nullptr ? 0 : messenger->references.load();
}

}  // namespace fake_engine

using fake_engine::internal;
using fake_engine::state;

extern "C" {

FlutterDesktopEngineRef FlutterDesktopEngineCreate(const FlutterDesktopEngineProperties* p) {
  if (state().fail_engine_create) return nullptr;
  fake_engine::RecordedProperties& r = state().properties;
  r.assets_path = p->assets_path;
  r.icu_data_path = p->icu_data_path;
  r.aot_library_path = p->aot_library_path;
  r.entrypoint = p->dart_entrypoint ? std::optional<std::string>(p->dart_entrypoint) : std::nullopt;
  r.argc = p->dart_entrypoint_argc;
  r.argv_null = p->dart_entrypoint_argv == nullptr;
  r.arguments.clear();
  for (int32_t i = 0; i < p->dart_entrypoint_argc && p->dart_entrypoint_argv; ++i) {
    r.arguments.emplace_back(p->dart_entrypoint_argv[i]);
  }
  r.option_a = p->option_a;
  r.option_b = p->option_b;
  auto* engine = new FlutterDesktopEngine;
  engine->messenger = new FlutterDesktopMessenger;
  internal().engine = engine;
  internal().messenger = engine->messenger;
  ++state().engines_created;
  return engine;
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  ++state().engines_destroyed;
  fake_engine::EndEngine(engine);
  return true;
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return engine->messenger;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(FlutterDesktopEngineRef,
                                                                        const char* plugin_name) {
  state().registrar_requests.emplace_back(plugin_name);
  // Any distinct non-null handle will do: the fake's plug-ins never look inside.
  return reinterpret_cast<FlutterDesktopPluginRegistrarRef>(state().registrar_requests.size());
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef) { ++state().fonts_reloaded; }

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrame callback, void* user_data) {
  engine->next_frame = callback;
  engine->next_frame_user_data = user_data;
}

FlutterDesktopViewControllerRef FlutterDesktopViewControllerCreate(int width, int height,
                                                                   FlutterDesktopEngineRef engine) {
  if (state().fail_view_controller) {
    fake_engine::EndEngine(engine);
    return nullptr;
  }
  state().view_width = width;
  state().view_height = height;
  auto* controller = new FlutterDesktopViewController;
  controller->engine = engine;
  return controller;
}

void FlutterDesktopViewControllerDestroy(FlutterDesktopViewControllerRef controller) {
  ++state().controllers_destroyed;
  fake_engine::EndEngine(controller->engine);
  delete controller;
}

FlutterDesktopViewRef FlutterDesktopViewControllerGetView(
    FlutterDesktopViewControllerRef controller) {
  return &controller->view;
}

void FlutterDesktopViewControllerForceRedraw(FlutterDesktopViewControllerRef) {
  fake_engine::DrawFrame();
}

bool FlutterDesktopViewControllerHandleTopLevelWindowProc(FlutterDesktopViewControllerRef,
                                                          FlutterDesktopWindowHandle,
                                                          FlutterDesktopWindowMessage message,
                                                          FlutterDesktopWParam,
                                                          FlutterDesktopLParam,
                                                          FlutterDesktopLResult* result) {
  state().top_level_messages.push_back(message);
  if (!state().top_level_result) return false;
  *result = *state().top_level_result;
  return true;
}

FlutterDesktopWindowHandle FlutterDesktopViewGetHWND(FlutterDesktopViewRef view) { return view; }

uint32_t FlutterDesktopGetDpiForMonitor(FlutterDesktopMonitorHandle) { return 96; }

void FlutterDesktopResyncOutputStreams(void) {}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef, const char* channel,
                                 const uint8_t* message, size_t message_size) {
  state().sent.push_back({channel, fake_engine::Bytes(message, message + message_size)});
  return true;
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  if (state().fail_send_with_reply) return false;
  state().sent.push_back(
      {channel, fake_engine::Bytes(message, message + message_size), reply, user_data});
  return true;
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef,
                                         const FlutterDesktopMessageResponseHandle* handle,
                                         const uint8_t* data, size_t data_length) {
  auto& in = internal();
  std::lock_guard<std::mutex> lock(in.responses_mutex);
  fake_engine::Response& response = in.responses[handle->id];
  if (response.answered) {
    ++in.duplicate_responses;
    return;
  }
  response.answered = true;
  response.null_data = data == nullptr;
  if (data != nullptr) response.bytes.assign(data, data + data_length);
}

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  state().set_callback_calls.emplace_back(channel, callback != nullptr);
  if (callback == nullptr) {
    messenger->callbacks.erase(channel);
  } else {
    messenger->callbacks[channel] = {callback, user_data};
  }
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  ++messenger->references;
  return messenger;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  if (--messenger->references == 0) {
    if (internal().messenger == messenger) internal().messenger = nullptr;
    delete messenger;
  }
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return messenger->available;
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  messenger->lock.lock();
  return messenger;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  messenger->lock.unlock();
}

}  // extern "C"
