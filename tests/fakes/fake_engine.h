// An in-process engine library for the messaging tests: implements the engine's plain
// functions, records what the host asked of it, and lets a test play the user interface.
// One test at a time; Reset() between tests.
#ifndef TESSO_TESTS_FAKES_FAKE_ENGINE_H_
#define TESSO_TESTS_FAKES_FAKE_ENGINE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "messaging/engine_api.h"

namespace fake_engine {

using Bytes = std::vector<uint8_t>;

// A message the host sent to the user interface.
struct SentMessage {
  std::string channel;
  Bytes bytes;
  FlutterDesktopBinaryReply reply = nullptr;  // null for a message without reply
  void* user_data = nullptr;
};

// What the host answered to one delivered message.
struct Response {
  bool answered = false;
  Bytes bytes;
  bool null_data = false;  // answered with a null pointer
};

// The engine's properties record, copied at FlutterDesktopEngineCreate.
struct RecordedProperties {
  std::u16string assets_path;
  std::u16string icu_data_path;
  std::u16string aot_library_path;
  std::optional<std::string> entrypoint;  // none when the pointer was null
  int32_t argc = -1;
  bool argv_null = false;
  std::vector<std::string> arguments;
  int32_t option_a = -1;
  int32_t option_b = -1;
};

struct State {
  // Switches.
  bool fail_engine_create = false;
  bool fail_view_controller = false;
  bool fail_send_with_reply = false;
  std::optional<FlutterDesktopLResult> top_level_result;

  // Records.
  RecordedProperties properties;
  int engines_created = 0;
  int engines_destroyed = 0;      // by FlutterDesktopEngineDestroy
  int controllers_destroyed = 0;  // each also ends its engine
  int fonts_reloaded = 0;
  int view_width = -1, view_height = -1;
  std::vector<std::string> registrar_requests;
  std::vector<std::pair<std::string, bool>> set_callback_calls;  // channel, set
  std::vector<SentMessage> sent;
  std::vector<FlutterDesktopWindowMessage> top_level_messages;
};

// The shared record of the current test. Locked by the fake's own functions where a reply
// may come from another thread; tests read it when no other thread is running.
State& state();
void Reset();

// The messenger of the most recently created engine (alive while references are held).
FlutterDesktopMessengerRef CurrentMessenger();

// Plays the user interface: delivers a message on `channel` to the host's callback, on the
// calling thread. Returns the id under which the response is recorded, or nullopt when the
// channel has no callback.
std::optional<int> Deliver(const std::string& channel, const Bytes& message);
// The response recorded for a delivered message (safe while another thread may answer).
Response ResponseFor(int id);
// Number of SendResponse calls the engine refused as a second use of one handle.
int DuplicateResponses();
// Answers the host's sent message `index` (the engine calls the host's reply trampoline).
void ReplyToSent(size_t index, const Bytes& reply);
// Draws a frame: the armed next-frame callback runs once.
void DrawFrame();
// Current reference count of the current messenger (0 once freed).
int MessengerReferences();

}  // namespace fake_engine

#endif  // TESSO_TESTS_FAKES_FAKE_ENGINE_H_
