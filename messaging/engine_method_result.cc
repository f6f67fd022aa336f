#include "messaging/engine_method_result.h"

#include "messaging/diagnostics.h"

namespace flutter {

OneShotReply::~OneShotReply() {
  if (reply_ && std::uncaught_exceptions() <= exceptions_in_flight_) {
    WriteDiagnosticLine("Warning: Failed to respond to a message. This is a memory leak.");
  }
}

void OneShotReply::SendResponseData(const std::vector<uint8_t>* data) {
  if (!reply_) {
    WriteDiagnosticLine(
        "Error: Only one of Success, Error, or NotImplemented can be called,"
        " and it can be called exactly once. Ignoring duplicate result.");
    return;
  }
  const uint8_t* bytes = (data == nullptr || data->empty()) ? nullptr : data->data();
  size_t size = data == nullptr ? 0 : data->size();
  // Emptied before the call, so that a reply that answers again from inside is refused.
  BinaryReply reply = std::move(reply_);
  reply_ = nullptr;
  reply(bytes, size);
}

}  // namespace flutter
