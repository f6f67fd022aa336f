// A window service on a fake shell port and a fake messenger, with helpers that play the
// user interface (method calls and their decoded replies) and the host window (messages).
#ifndef TESSO_TESTS_UNIT_WINDOW_CHANNEL_FIXTURE_H_
#define TESSO_TESTS_UNIT_WINDOW_CHANNEL_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "messaging/encodable_value.h"
#include "tests/fakes/fake_binary_messenger.h"
#include "tests/fakes/fake_shell_port.h"
#include "tray/window_channel.h"

namespace tesso_test {

// A decoded answer of the service.
struct Reply {
  enum class Kind { kNone, kSuccess, kError, kNotImplemented };
  Kind kind = Kind::kNone;
  flutter::EncodableValue value;  // success value, or error details
  std::string code;
  std::string message;

  bool IsSuccessNull() const { return kind == Kind::kSuccess && value.IsNull(); }
  bool IsBadArgs() const {
    return kind == Kind::kError && code == "bad_args" && message == "expected bool" &&
           value.IsNull();
  }
};

// A call the service sent to the user interface.
struct OutgoingCall {
  std::string method;
  bool has_arguments = false;
  flutter::EncodableValue arguments;
  bool wants_reply = false;
};

class WindowChannelTest : public testing::Test {
 protected:
  static constexpr tesso::WindowHandle kWindow = static_cast<tesso::WindowHandle>(0xAB0);
  static constexpr int64_t kUntouched = 0x5EED;

  void TearDown() override;

  // Creates the service, as the host window does; handler changes go to the shell's log.
  void Create(bool start_hidden = false);
  void Destroy() { service_.reset(); }

  // Calls a method on the channel; `arguments` null sends a call without arguments.
  Reply Call(const std::string& method, const flutter::EncodableValue* arguments);
  Reply Call(const std::string& method, const flutter::EncodableValue& arguments) {
    return Call(method, &arguments);
  }
  bool IsHidden();

  // Offers a message; checks the out result (0 when consumed, untouched otherwise).
  bool Offer(uint32_t message, uint64_t wparam = 0, int64_t lparam = 0);
  uint32_t ShowWindowMessage() const;
  uint32_t TaskbarCreatedMessage() const;

  // Forgets what the fakes recorded so far.
  void ClearRecords();
  // The calls the service sent to the user interface, decoded.
  std::vector<OutgoingCall> Outgoing() const;
  // Answers the outgoing call `index` with an error, as a failing user interface would.
  void ReplyWithError(size_t index);

  FakeShellPort shell_;
  FakeBinaryMessenger messenger_;
  std::unique_ptr<tesso::WindowChannel> service_;
};

// A map with string keys and values.
flutter::EncodableValue TextMap(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace tesso_test

#endif  // TESSO_TESTS_UNIT_WINDOW_CHANNEL_FIXTURE_H_
