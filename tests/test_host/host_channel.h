// The test host's channel "tesso.test/host": a method per road through the messaging classes
// that the integration tests drive from the peer link.
#ifndef TESSO_TESTS_TEST_HOST_HOST_CHANNEL_H_
#define TESSO_TESTS_TEST_HOST_HOST_CHANNEL_H_

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "messaging/binary_messenger.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_channel.h"
#include "messaging/method_result.h"

namespace tesso::test_host {

// UI thread only, except the workers of "answerLater", which answer from their own threads.
class HostChannel {
 public:
  // `messenger` must outlive the handler registration (see ClearHandler). `request_quit` is
  // called on the UI thread once "quit" has been answered.
  HostChannel(flutter::BinaryMessenger* messenger, std::function<void()> request_quit);
  // Joins the workers; does not touch the messenger, which may be gone by then.
  ~HostChannel();

  HostChannel(const HostChannel&) = delete;
  HostChannel& operator=(const HostChannel&) = delete;

  // Unregisters the handler; call while the messenger still exists.
  void ClearHandler();

 private:
  using Call = flutter::MethodCall<flutter::EncodableValue>;
  using Result = std::unique_ptr<flutter::MethodResult<flutter::EncodableValue>>;

  void HandleCall(const Call& call, Result result);
  void AnswerLater(const flutter::EncodableValue* arguments, Result result);
  void Bytes(const flutter::EncodableValue* arguments, Result result);
  // "invokePeer" (with `forward_result`) and "sendToPeer" (without).
  void CallPeer(const flutter::EncodableValue* arguments, Result result, bool forward_result);

  flutter::MethodChannel<flutter::EncodableValue> channel_;
  flutter::MethodChannel<flutter::EncodableValue> peer_channel_;
  std::function<void()> request_quit_;
  std::vector<std::thread> workers_;  // one per "answerLater"; joined in the destructor
};

}  // namespace tesso::test_host

#endif  // TESSO_TESTS_TEST_HOST_HOST_CHANNEL_H_
