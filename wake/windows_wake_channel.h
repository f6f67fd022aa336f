// The wake-readiness service on "com.vel.halvo/windows_wake": "listAdapters" runs the adapter
// inventory on a worker thread of its own, one query at a time, and answers from the UI
// thread once the host window hands back the worker's completion message.
#ifndef TESSO_WAKE_WINDOWS_WAKE_CHANNEL_H_
#define TESSO_WAKE_WINDOWS_WAKE_CHANNEL_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "base/handles.h"
#include "messaging/binary_messenger.h"
#include "messaging/encodable_value.h"
#include "messaging/method_call.h"
#include "messaging/method_channel.h"
#include "messaging/method_result.h"
#include "wake/wake_ports.h"

namespace tesso {

class WindowsWakeChannel {
 public:
  static constexpr char kChannelName[] = "com.vel.halvo/windows_wake";
  static constexpr char kListAdapters[] = "listAdapters";
  // WM_APP + 0x57, posted to the window with both parameters 0 when a query has its outcome.
  static constexpr uint32_t kResultMessage = 0x8057;

  static constexpr char kBusyCode[] = "adapter_busy";
  // "检测正在进行"
  static constexpr char kBusyMessage[] =
      "\xE6\xA3\x80\xE6\xB5\x8B\xE6\xAD\xA3\xE5\x9C\xA8\xE8\xBF\x9B\xE8\xA1\x8C";
  static constexpr char kQueryCode[] = "adapter_query";
  // "Windows 网卡查询失败"
  static constexpr char kQueryMessage[] =
      "Windows \xE7\xBD\x91\xE5\x8D\xA1\xE6\x9F\xA5\xE8\xAF\xA2\xE5\xA4\xB1\xE8\xB4\xA5";

  // Binds the channel on `messenger` (not owned; must outlive the service). UI thread.
  WindowsWakeChannel(flutter::BinaryMessenger* messenger, WindowHandle window, WakePorts ports);
  // Clears the channel's handler, waits for a running query and drops its call unanswered.
  // UI thread.
  ~WindowsWakeChannel();

  WindowsWakeChannel(const WindowsWakeChannel&) = delete;
  WindowsWakeChannel& operator=(const WindowsWakeChannel&) = delete;

  // Answers the query in flight once its worker has stored the outcome; does nothing, and
  // never waits, when none is in flight or its outcome is not stored yet (a message from
  // another process). UI thread, when kResultMessage arrives.
  void DeliverAdapterResult();

 private:
  using Value = flutter::EncodableValue;

  void HandleMethodCall(const flutter::MethodCall<Value>& call,
                        std::unique_ptr<flutter::MethodResult<Value>> result);
  // The worker's body: the inventory, its duration, the outcome under the lock, the message.
  void RunAdapterQuery() noexcept;

  const WakePorts ports_;
  const WindowHandle window_;
  std::unique_ptr<flutter::MethodChannel<Value>> channel_;
  // UI thread only: the reply of the query in flight, and its worker.
  std::unique_ptr<flutter::MethodResult<Value>> pending_result_;
  std::thread worker_;
  std::mutex result_mutex_;
  // Guarded by result_mutex_: the last query's outcome map, whether it failed, and whether
  // it is stored and not yet delivered.
  Value result_value_;
  bool result_failed_ = false;
  bool result_ready_ = false;
  // Guarded by result_mutex_: the worker finished but Windows refused its message, so the
  // outcome must be delivered without it.
  bool result_unposted_ = false;
};

}  // namespace tesso

#endif  // TESSO_WAKE_WINDOWS_WAKE_CHANNEL_H_
