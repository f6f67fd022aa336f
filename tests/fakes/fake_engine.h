// An in-process engine library for the messaging tests: implements the engine's plain
// functions, logs every call the host makes as a short line, and lets a test play the user
// interface. One test at a time; Reset() between tests.
#ifndef TESSO_TESTS_FAKES_FAKE_ENGINE_H_
#define TESSO_TESTS_FAKES_FAKE_ENGINE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "messaging/engine_api.h"

namespace fake_engine {

using Bytes = std::vector<uint8_t>;

struct Switches {
  bool fail_engine_create = false;
  bool fail_view_controller = false;
  bool fail_send_with_reply = false;
  std::optional<FlutterDesktopLResult> top_level_result;
};

Switches& switches();
void Reset();
// Every call since the last take, e.g. "SendResponse 2 000305000000" (safe while another
// thread answers).
std::vector<std::string> TakeLog();

// Delivers a message on `channel` to the host's callback, on the calling thread, with the
// next response id (1, 2, ... from Reset); false when the channel has no callback.
bool Deliver(const std::string& channel, const Bytes& message);
// Answers the host's sent message `index` (the engine calls the host's reply trampoline).
void ReplyToSent(size_t index, const Bytes& reply);
// Current reference count of the newest messenger (0 once freed).
int MessengerReferences();

}  // namespace fake_engine

#endif  // TESSO_TESTS_FAKES_FAKE_ENGINE_H_
